#pragma once
// The user's settings: registry keys with typed values, and profile entries by section, kept in
// one text file (settings.txt) in the settings folder so the next kxhost run finds them. The
// file is read once, when the settings are first used, and rewritten whole after every change
// (a temporary file beside it, flushed to disk, then renamed over it), so a crash leaves either
// the old file or the new one. A damaged file is moved aside (settings.txt.damaged, or .damaged.2
// and on, never over one set aside before) and the run starts with empty settings; a file of a
// later kxhost's format, or a folder that cannot be written, leaves the file alone and the
// settings in memory for the rest of the run. Either way the run goes on, with one line on
// standard error.
//
// Key paths are backslash-separated, starting with the hive ("HKEY_CURRENT_USER\Software\...");
// empty components are ignored. Key paths, value names, sections and entries compare without
// regard to case and keep the spelling they were first given.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kx::platform {

struct RegistryValue {
  std::uint32_t type = 0;  // REG_SZ, REG_DWORD, ...
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

// A profile entry: WriteProfileInt stores an int, WriteProfileString a string.
using ProfileValue = std::variant<int, std::wstring>;

class SettingsStore {
 public:
  using Warn = std::function<void(const std::string& line)>;
  static constexpr const char* kFileName = "settings.txt";

  // Settings in `folder`; an empty folder keeps them in memory only. Warnings go to `warn`
  // (standard error when empty).
  explicit SettingsStore(std::filesystem::path folder, Warn warn = {});

  const std::filesystem::path& folder() const { return folder_; }

  // ---- registry ----
  bool hasKey(std::wstring_view path);
  // Creates the key and any missing keys above it; true when `path` was not there before.
  bool createKey(std::wstring_view path);
  std::optional<RegistryValue> value(std::wstring_view key, std::wstring_view name);
  // False when the key does not exist.
  bool setValue(std::wstring_view key, std::wstring_view name, RegistryValue value);

  // ---- profile ----
  std::optional<ProfileValue> profile(std::wstring_view section, std::wstring_view entry);
  void setProfile(std::wstring_view section, std::wstring_view entry, ProfileValue value);

 private:
  template <typename T>
  struct Named {
    std::wstring name;  // as first given
    T value;
  };
  struct Key {
    std::wstring path;
    std::map<std::wstring, Named<RegistryValue>> values;  // by folded name
  };
  struct Section {
    std::wstring name;
    std::map<std::wstring, Named<ProfileValue>> entries;  // by folded entry
  };

  void load();
  // Fills the store from the file's text; empty on success, else "line N: reason".
  std::string parse(std::string_view text);
  void save();
  std::string serialize() const;
  void warn(const std::string& line) const;
  Key* findKey(std::wstring_view path);

  std::filesystem::path folder_;
  Warn warn_;
  bool loaded_ = false;
  bool memoryOnly_;
  std::map<std::wstring, Key> keys_;  // by folded path
  std::map<std::wstring, Section> sections_;
};

// The settings of this run, in editor::Session::instance().configDir. Made on first use, and
// made anew when configDir has changed since.
SettingsStore& sessionSettings();
// Forgets this run's settings: the next use reads the folder again, as the next run would.
void resetSessionSettings();

}  // namespace kx::platform
