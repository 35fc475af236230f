// User settings: the store in the --config folder (values of every kind across runs, damaged and
// unwritable files), then the registry and profile calls modules make on top of it.

#include "platform/settings_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/session.h"
#include "kx/kxwinapp.h"
#include "kx/kxwinreg.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;
using kx::platform::ProfileValue;
using kx::platform::RegistryValue;
using kx::platform::SettingsStore;

constexpr std::uint32_t kSz = 1, kDword = 4, kBinary = 3;

RegistryValue sz(const std::wstring& text) {
  RegistryValue v{kSz, std::vector<std::uint8_t>((text.size() + 1) * sizeof(wchar_t))};
  std::memcpy(v.data.data(), text.c_str(), v.data.size());
  return v;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  ~SettingsStoreTest() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
  }

  // A store over `folder` whose warnings land in `warnings`.
  SettingsStore store(const fs::path& folder) {
    return SettingsStore(folder, [this](const std::string& line) { warnings.push_back(line); });
  }
  void writeRaw(const std::string& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / "settings.txt", std::ios::binary) << bytes;
  }

  const kx::test::TempFolder root{"settings"};
  const fs::path dir = root / "config";  // made by the store
  std::vector<std::string> warnings;
};

// Everything a module can store comes back from the file, spelled as first given, found in any
// case, and nothing else is left in the folder.
TEST_F(SettingsStoreTest, ValuesSurviveTheNextRun) {
  const std::wstring key = L"HKEY_CURRENT_USER\\Software\\Maker\\Tools";
  const std::wstring awkward = std::wstring(L"q\"b\\s\nn\tt]# \u00e9\u6c49\U0001F600 ") +
                               wchar_t(1) + wchar_t(0x7f) + wchar_t(0xD800) + wchar_t(0x110000);
  std::uint32_t seven = 7;
  RegistryValue dword{kDword, std::vector<std::uint8_t>(4)};
  std::memcpy(dword.data.data(), &seven, 4);
  // Each value, the name it is stored under and the name it is read back by.
  const struct {
    std::wstring name, readAs;
    RegistryValue value;
  } values[] = {
      {L"CheckFlag", L"checkflag", sz(L"1")},
      {L"", L"", sz(L"default")},
      {L"Text", L"text", sz(awkward)},
      {awkward, awkward, dword},
      {L"Blob", L"blob", {kBinary, {0x00, 0xff, 0x0a}}},
      {L"Empty", L"empty", {kBinary, {}}},
      {L"Unterminated", L"unterminated", {kSz, {'a', 0, 0, 0}}},  // one character, no terminator
      {L"Inner", L"inner", {kSz, std::vector<std::uint8_t>(3 * sizeof(wchar_t))}},  // "\0\0\0"
  };
  {
    SettingsStore first = store(dir);
    EXPECT_TRUE(first.createKey(L"\\" + key + L"\\\\"));
    EXPECT_FALSE(first.createKey(L"hkey_current_user\\SOFTWARE\\maker\\tools"));
    for (const auto& v : values) EXPECT_TRUE(first.setValue(key, v.name, v.value));
    EXPECT_FALSE(first.setValue(L"HKEY_CURRENT_USER\\Missing", L"v", sz(L"x")));
    first.setProfile(L"TcaseDialog", L"LastChoiced", -83);
    first.setProfile(L"Dialog \"2\"", awkward, awkward);
  }
  SettingsStore next = store(dir);
  EXPECT_TRUE(next.hasKey(L"HKEY_CURRENT_USER\\Software"));
  EXPECT_TRUE(next.hasKey(L"hkey_current_user\\software\\MAKER\\tools"));
  EXPECT_FALSE(next.hasKey(L"HKEY_CURRENT_USER\\Software\\Maker\\Tools\\Deeper"));
  for (const auto& v : values) EXPECT_EQ(next.value(key, v.readAs), v.value);
  EXPECT_EQ(next.profile(L"tcasedialog", L"LASTCHOICED"), ProfileValue(-83));
  EXPECT_EQ(next.profile(L"dialog \"2\"", awkward), ProfileValue(awkward));
  EXPECT_TRUE(warnings.empty());
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path().filename());
  EXPECT_EQ(files, std::vector<fs::path>{"settings.txt"});
}

// A damaged file is reported once with the line at fault, kept aside, and replaced by the next
// change; the run carries on with empty settings. Every cut of a good file is caught: a file
// must end with its end line.
TEST_F(SettingsStoreTest, DamagedFileIsReportedAndReplaced) {
  {
    SettingsStore good = store(dir);
    good.createKey(L"HKEY_CURRENT_USER\\A");
    good.setValue(L"HKEY_CURRENT_USER\\A", L"v", sz(L"text"));
    good.setProfile(L"S", L"e", 5);
  }
  const std::string whole = kx::test::readFile(dir / "settings.txt");

  struct Case {
    std::string bytes;
    std::string reason;  // expected inside the warning
  };
  std::vector<Case> cases = {
      {"garbage\x01 and more\n", "line 1: not a kxhost settings file"},
      {"", "line 1: the file is empty"},
      {std::string("\x7f"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       "line 1: not a kxhost settings file"},
      {"kxhost settings 1\n[key \"A\"]\n\"v\" sz \"\xff\xfe\"\nend\n", "line 3: not UTF-8 text"},
      {"kxhost settings 1\n[key \"A\"]\n\"v\" sz \"\xed\xa0\x80\"\nend\n",
       "line 3: not UTF-8 text"},  // an encoded surrogate
      {std::string("kxhost settings 1\n\"v\0\" int 1\nend\n", 32), "line 2: binary data"},
      {"kxhost settings 1\n\"v\" int 1\nend\n", "line 2: a value before any section"},
      {"kxhost settings 1\n[profile \"S\"]\n\"e\" int 99999999999\nend\n", "line 3: an int"},
      {"kxhost settings 1\n[key \"A\"]\n\"e\" dword -1\nend\n", "line 3: a dword"},
      {"kxhost settings 1\n[key \"A\"]\n\"e\" bytes 3 abc\nend\n", "line 3: an odd number"},
      {"kxhost settings 1\n[key \"A\"]\n\"e\" sz \"\\u{zz}\"\nend\n", "line 3: a bad \\u"},
      {"kxhost settings 1\nend\n[key \"A\"]\n", "line 3: text after the end line"},
      {"kxhost settings 0\nend\n", "line 1: a format this kxhost does not know (0)"},
  };
  for (std::size_t cut = 0; cut + 1 < whole.size(); ++cut)
    cases.push_back({whole.substr(0, cut), ""});

  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    fs::remove_all(dir);
    writeRaw(c.bytes);
    warnings.clear();
    {
      SettingsStore damaged = store(dir);
      EXPECT_FALSE(damaged.value(L"HKEY_CURRENT_USER\\A", L"v"));
      EXPECT_FALSE(damaged.profile(L"S", L"e"));
      ASSERT_EQ(warnings.size(), 1u);
      const std::string& w = warnings[0];
      EXPECT_TRUE(w.starts_with("kxhost: settings in " + (dir / "settings.txt").string() +
                                " were damaged (line "))
          << w;
      EXPECT_TRUE(
          w.ends_with("); starting with empty settings, the damaged file kept as "
                      "settings.txt.damaged"))
          << w;
      EXPECT_NE(w.find(c.reason), std::string::npos) << w;
      EXPECT_EQ(kx::test::readFile(dir / "settings.txt.damaged"), c.bytes);
      EXPECT_FALSE(fs::exists(dir / "settings.txt"));
      damaged.setProfile(L"S", L"e", 6);
    }
    SettingsStore after = store(dir);
    EXPECT_EQ(after.profile(L"S", L"e"), ProfileValue(6));
    EXPECT_EQ(warnings.size(), 1u);
  }

  // A second damaged file goes beside the first, which stays as it was.
  writeRaw("not settings either\n");
  warnings.clear();
  store(dir).setProfile(L"S", L"e", 7);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("kept as settings.txt.damaged.2"), std::string::npos) << warnings[0];
  EXPECT_EQ(kx::test::readFile(dir / "settings.txt.damaged.2"), "not settings either\n");
  EXPECT_EQ(kx::test::readFile(dir / "settings.txt.damaged"), cases.back().bytes);

  // The settings of a later kxhost are the user's: left as they are, this run keeps its own.
  const std::string later = "kxhost settings 7\nwhatever that format holds\n";
  writeRaw(later);
  warnings.clear();
  {
    SettingsStore s = store(dir);
    s.setProfile(L"S", L"e", 8);
    EXPECT_EQ(s.profile(L"S", L"e"), ProfileValue(8));
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("later kxhost (format 7)"), std::string::npos) << warnings[0];
  EXPECT_EQ(kx::test::readFile(dir / "settings.txt"), later);

  // Without the last newline nothing is lost.
  fs::remove_all(dir);
  writeRaw(whole.substr(0, whole.size() - 1));
  warnings.clear();
  EXPECT_EQ(store(dir).profile(L"S", L"e"), ProfileValue(5));
  EXPECT_TRUE(warnings.empty());
}

// A folder that cannot be written keeps the settings in memory after one warning; an empty
// folder never touches the disk.
TEST_F(SettingsStoreTest, UnwritableFolderFallsBackToMemory) {
  fs::create_directories(dir);
  std::ofstream(dir / "plain-file") << "x";
  std::vector<fs::path> folders = {dir / "plain-file" / "config"};
  if (::geteuid() != 0) {  // permissions do not stop root
    fs::create_directories(dir / "read-only");
    fs::permissions(dir / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
    folders.push_back(dir / "read-only");
  }
  for (const fs::path& folder : folders) {
    SCOPED_TRACE(folder);
    warnings.clear();
    SettingsStore s = store(folder);
    EXPECT_TRUE(s.createKey(L"HKEY_CURRENT_USER\\K"));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("kxhost: settings cannot be saved in " + folder.string(), 0), 0u);
    EXPECT_NE(warnings[0].find("kept in memory for this run"), std::string::npos);
    EXPECT_TRUE(s.setValue(L"HKEY_CURRENT_USER\\K", L"v", sz(L"kept")));
    s.setProfile(L"S", L"e", 3);
    EXPECT_EQ(s.value(L"HKEY_CURRENT_USER\\K", L"V"), sz(L"kept"));
    EXPECT_EQ(s.profile(L"S", L"E"), ProfileValue(3));
    EXPECT_EQ(warnings.size(), 1u);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
            static_cast<long>(folders.size()));

  // A settings file that cannot be read is left alone rather than overwritten.
  fs::create_directories(dir / "unreadable" / "settings.txt");
  warnings.clear();
  SettingsStore unreadable = store(dir / "unreadable");
  unreadable.setProfile(L"S", L"e", 2);
  EXPECT_EQ(unreadable.profile(L"S", L"e"), ProfileValue(2));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("could not be read"), std::string::npos) << warnings[0];
  EXPECT_TRUE(fs::is_directory(dir / "unreadable" / "settings.txt"));

  warnings.clear();
  SettingsStore memory = store({});
  memory.setProfile(L"S", L"e", 1);
  EXPECT_EQ(memory.profile(L"S", L"e"), ProfileValue(1));
  EXPECT_TRUE(warnings.empty());
}

// Each test runs with its own settings folder; resetSessionSettings() is what the next kxhost
// run with the same --config sees. The module's own sequence (its key made at the first run, its
// flag read at the next) is run through its command by the cases.
class RegistryApiTest : public ::testing::Test {
 protected:
  RegistryApiTest() {
    kx::editor::Session::instance().configDir = dir;
    kx::platform::resetSessionSettings();
  }
  ~RegistryApiTest() override {
    kx::editor::Session::instance().configDir.clear();
    kx::platform::resetSessionSettings();
  }

  const kx::test::TempFolder root{"registry"};
  const fs::path dir = root / "config";
};

// Handles carry their access and stand for a key, not a copy of it; the hive itself takes values.
TEST_F(RegistryApiTest, HandlesAndAccess) {
  HKEY writer = nullptr, reader = nullptr, hive = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\K", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &writer, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\k", 0, KEY_READ, &reader), ERROR_SUCCESS);
  const DWORD seven = 7;
  EXPECT_EQ(RegSetValueExW(reader, L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegSetValueExW(writer, L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4),
            ERROR_SUCCESS);
  DWORD read = 0, size = sizeof read, type = 0;
  EXPECT_EQ(RegQueryValueExW(writer, L"n", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExW(reader, L"N", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(read, 7u);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(
      RegQueryValueExW(reader, L"n", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), nullptr),
      ERROR_INVALID_PARAMETER);
  // Too small a buffer is left as it was and told the size the value needs.
  BYTE small[2] = {'#', '#'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(reader, L"n", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small[0], '#');
  EXPECT_EQ(RegQueryValueExW(reader, L"missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hive,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(RegSetValueExW(hive, nullptr, 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  size = 99;
  EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, L"", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, REG_BINARY);
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKeyExW(writer, nullptr, 0, KEY_READ, &sub), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(sub, L"Missing", 0, KEY_READ, &reader), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reader, nullptr);
  for (HKEY h : {writer, hive, sub}) EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(writer, L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(writer), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, ProfileIntegers) {
  CKxadWinApp* app = kxedGetKxadWinApp();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"LastChoiced", 83), 83u);
  EXPECT_TRUE(app->WriteProfileInt(L"TcaseDialog", L"LastChoiced", 2));
  EXPECT_TRUE(app->WriteProfileInt(L"TcaseDialog", L"Negative", -4));
  EXPECT_EQ(app->GetProfileIntW(L"tcasedialog", L"lastchoiced", 83), 2u);
  EXPECT_EQ(static_cast<int>(app->GetProfileIntW(L"TcaseDialog", L"Negative", 0)), -4);
  EXPECT_EQ(app->GetProfileIntW(L"OtherDialog", L"LastChoiced", 83), 83u);

  // A string entry, as a settings file edited by hand may hold, counts by its leading number.
  kx::platform::sessionSettings().setProfile(L"TcaseDialog", L"Text", std::wstring(L" 12 apples"));
  kx::platform::sessionSettings().setProfile(L"TcaseDialog", L"Word", std::wstring(L"apples"));
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"Text", 0), 12u);
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"Word", 9), 9u);
}

}  // namespace
