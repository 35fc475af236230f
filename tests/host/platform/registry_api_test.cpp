#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <string>

#include "editor/session.h"
#include "kx/kxdbobject.h"
#include "kx/kxed.h"
#include "kx/kxwinapp.h"
#include "kx/kxwinreg.h"
#include "platform/settings_store.h"
#include "support/read_file.h"

namespace {

namespace fs = std::filesystem;

// Each test runs with its own settings folder; resetSessionSettings() is what the next kxhost
// run with the same --config sees.
class RegistryApiTest : public ::testing::Test {
 protected:
  RegistryApiTest() {
    dir = fs::temp_directory_path() /
          ("kx-registry-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    kx::editor::Session::instance().configDir = dir;
    kx::platform::resetSessionSettings();
  }
  ~RegistryApiTest() override {
    kx::editor::Session::instance().configDir.clear();
    kx::platform::resetSessionSettings();
    fs::remove_all(dir);
  }

  // The key a module builds: product root, the current profile, its own part.
  static std::wstring moduleKey(const std::wstring& profile) {
    return std::wstring(kxdbHostApplicationServices()->getUserProductRootKey()) + L"\\Profiles\\" +
           profile + L"\\UserInterfaceSettings\\TextTools";
  }
  static std::wstring currentProfile() {
    resbuf rb{};
    EXPECT_EQ(kxedGetVar(L"CPROFILE", &rb), KXRT_NORM);
    std::wstring name = rb.value.string ? rb.value.string : L"";
    kxad_free(rb.value.string);
    return name;
  }

  // What the module does to remember a flag: open, and create when that fails, then set.
  static void storeFlag(const std::wstring& path, const wchar_t* flag) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
      DWORD disposition = 0;
      ASSERT_EQ(
          RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, &disposition),
          ERROR_SUCCESS);
    }
    ASSERT_EQ(RegSetValueExW(key, L"CheckFlag", 0, REG_SZ, reinterpret_cast<const BYTE*>(flag),
                             static_cast<DWORD>((std::wcslen(flag) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  }
  // The module's read: a 500-byte buffer; empty when the key or value is missing.
  static std::wstring readFlag(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return L"";
    wchar_t buffer[500 / sizeof(wchar_t)] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExW(key, L"CheckFlag", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return L"";
    return buffer;
  }

  fs::path dir;
};

TEST_F(RegistryApiTest, ModuleSequenceKeepsItsFlagAcrossRuns) {
  const std::wstring path = moduleKey(currentProfile());
  HKEY key = reinterpret_cast<HKEY>(std::uintptr_t{1});
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);

  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const wchar_t flag[] = L"1";
  ASSERT_EQ(RegSetValueExW(key, L"CheckFlag", 0, REG_SZ, reinterpret_cast<const BYTE*>(flag),
                           sizeof flag),
            ERROR_SUCCESS);

  // Size query, too small a buffer, then the real read.
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"CheckFlag", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, sizeof flag);
  wchar_t small[1] = {L'#'};
  size = sizeof small;
  EXPECT_EQ(
      RegQueryValueExW(key, L"CheckFlag", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof flag);
  EXPECT_EQ(small[0], L'#');
  EXPECT_EQ(RegQueryValueExW(key, L"NoSuchValue", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(readFlag(path), L"1");

  // The next run: read from the folder, found in any case, created again only as "existing".
  kx::platform::resetSessionSettings();
  std::wstring shouted = path;
  for (wchar_t& c : shouted) c = static_cast<wchar_t>(std::towupper(c));
  EXPECT_EQ(readFlag(shouted), L"1");
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, shouted.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  DWORD dword = 0;
  size = sizeof dword;
  EXPECT_EQ(RegQueryValueExW(key, L"checkflag", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof flag);
  EXPECT_EQ(RegDeleteValueW(key, L"CHECKFLAG"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, L"CheckFlag"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  kx::platform::resetSessionSettings();
  EXPECT_EQ(readFlag(path), L"");

  // Two profiles keep their own flag.
  storeFlag(moduleKey(L"Drafting"), L"0");
  storeFlag(moduleKey(L"Annotation"), L"1");
  storeFlag(moduleKey(L"Drafting"), L"2");
  kx::platform::resetSessionSettings();
  EXPECT_EQ(readFlag(moduleKey(L"Drafting")), L"2");
  EXPECT_EQ(readFlag(moduleKey(L"Annotation")), L"1");
  EXPECT_NE(kx::test::readFile(dir / "settings.txt").find("\\\\Annotation\\\\"), std::string::npos);
}

// Handles carry their access and stand for a key, not a copy of it; the hive itself takes values.
TEST_F(RegistryApiTest, HandlesAndAccess) {
  HKEY writer = nullptr, reader = nullptr, hive = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\K", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &writer, nullptr),
            ERROR_SUCCESS);
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
  EXPECT_EQ(RegDeleteValueW(reader, L"n"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(
      RegQueryValueExW(reader, L"n", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), nullptr),
      ERROR_INVALID_PARAMETER);

  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hive,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(hive, nullptr, 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  size = 99;
  EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, L"", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, REG_BINARY);
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKeyExW(writer, nullptr, 0, KEY_READ, &sub), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(sub, L"Missing", 0, KEY_READ, &reader), ERROR_FILE_NOT_FOUND);
  for (HKEY h : {writer, hive, sub}) EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(writer, L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4),
            ERROR_INVALID_HANDLE);
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

  EXPECT_TRUE(app->WriteProfileStringW(L"TcaseDialog", L"Text", L" 12 apples"));
  EXPECT_TRUE(app->WriteProfileStringW(L"TcaseDialog", L"Word", L"apples"));
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"Text", 0), 12u);
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"Word", 9), 9u);
  EXPECT_EQ(app->GetProfileStringW(L"TcaseDialog", L"LastChoiced"), L"2");
  EXPECT_EQ(app->GetProfileStringW(L"TcaseDialog", L"Missing", L"fallback"), L"fallback");
  EXPECT_TRUE(app->WriteProfileStringW(L"TcaseDialog", L"Word", nullptr));
  EXPECT_EQ(app->GetProfileStringW(L"TcaseDialog", L"Word"), L"");

  kx::platform::resetSessionSettings();  // the next run
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"LastChoiced", 83), 2u);
  EXPECT_EQ(app->GetProfileStringW(L"TcaseDialog", L"Text"), L" 12 apples");
  EXPECT_TRUE(app->WriteProfileStringW(L"TcaseDialog", nullptr, nullptr));
  EXPECT_EQ(app->GetProfileIntW(L"TcaseDialog", L"LastChoiced", 83), 83u);
}

}  // namespace
