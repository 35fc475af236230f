#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "editor/session.h"
#include "support/atomic_file.h"
#include "support/case_fold.h"
#include "support/utf8.h"

// The file, line by line:
//   kxhost settings 1                     first line: what the file is, and its format
//   # ...                                 comment; blank lines are ignored too
//   [key "HKEY_CURRENT_USER\\Software"]   a registry key; its values follow
//   "Name" sz "text"                      REG_SZ with one terminator and none inside
//   "Name" dword 7                        REG_DWORD of four bytes
//   "Name" bytes 3 0aff                   any other value: its type and its bytes in hex
//   [profile "Section"]                   a profile section; its entries follow
//   "Entry" int -5                        WriteProfileInt
//   "Entry" str "text"                    WriteProfileString
//   end                                   last line, so a file cut short is noticed
// Quoted strings escape \ " and control characters (\n \r \t \u{hex}); everything else is UTF-8.
// A character UTF-8 cannot carry (a lone surrogate, beyond U+10FFFF) is written as \u{hex}, so
// any wide string comes back as it went in.

namespace kx::platform {
namespace {

constexpr std::string_view kFirstLine = "kxhost settings 1";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

std::wstring fold(std::wstring_view text) {
  return kx::support::lowerCase(text);
}

// The path without empty components ("\\A\\\\B\\" is "A\\B").
std::wstring normalizedPath(std::wstring_view path) {
  std::wstring result;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end > start) {
      if (!result.empty()) result += L'\\';
      result.append(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return result;
}

bool encodableInUtf8(std::uint32_t u) {
  return u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
}

std::string quote(std::wstring_view text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(c);
    if (c == L'"') {
      out += "\\\"";
    } else if (c == L'\\') {
      out += "\\\\";
    } else if (c == L'\n') {
      out += "\\n";
    } else if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F || !encodableInUtf8(u)) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "\\u{%x}", static_cast<unsigned>(u));
      out += hex;
    } else {
      kx::support::appendUtf8(out, u);
    }
  }
  out += '"';
  return out;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

// The text of a REG_SZ value that can be written as a string: whole characters, exactly one
// terminator, at the end.
std::optional<std::wstring> plainString(const RegistryValue& value) {
  if (value.type != kRegSz || value.data.size() < sizeof(wchar_t) ||
      value.data.size() % sizeof(wchar_t) != 0)
    return std::nullopt;
  std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), value.data.data(), value.data.size());
  if (text.back() != L'\0') return std::nullopt;
  text.pop_back();
  if (text.find(L'\0') != std::wstring::npos) return std::nullopt;
  return text;
}

RegistryValue stringValue(const std::wstring& text) {
  RegistryValue value{kRegSz, std::vector<std::uint8_t>((text.size() + 1) * sizeof(wchar_t))};
  std::memcpy(value.data.data(), text.c_str(), value.data.size());
  return value;
}

// One line of the file being read, taken apart token by token.
class LineReader {
 public:
  explicit LineReader(std::wstring_view line) : line_(line) {}

  bool atEnd() {
    skipSpaces();
    return pos_ == line_.size();
  }
  bool peek(wchar_t c) {
    skipSpaces();
    return pos_ < line_.size() && line_[pos_] == c;
  }
  bool take(wchar_t c) {
    if (!peek(c)) return false;
    ++pos_;
    return true;
  }
  std::wstring word() {
    skipSpaces();
    const std::size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != L' ' && line_[pos_] != L'\t' &&
           line_[pos_] != L'"' && line_[pos_] != L']')
      ++pos_;
    return std::wstring(line_.substr(start, pos_ - start));
  }
  // A quoted string; sets `error` when there is none or it is malformed.
  std::wstring quotedString(std::string& error) {
    std::wstring out;
    if (!take(L'"')) {
      error = "a quoted string was expected";
      return out;
    }
    while (pos_ < line_.size()) {
      const wchar_t c = line_[pos_++];
      if (c == L'"') return out;
      if (c != L'\\') {
        out += c;
        continue;
      }
      if (pos_ == line_.size()) break;
      const wchar_t e = line_[pos_++];
      switch (e) {
        case L'"':
        case L'\\':
          out += e;
          break;
        case L'n':
          out += L'\n';
          break;
        case L'r':
          out += L'\r';
          break;
        case L't':
          out += L'\t';
          break;
        case L'u': {
          const std::size_t close = line_.find(L'}', pos_);
          if (pos_ >= line_.size() || line_[pos_] != L'{' || close == std::wstring_view::npos ||
              close == pos_ + 1 || close - pos_ - 1 > 8) {
            error = "a bad \\u{...} escape";
            return out;
          }
          std::uint32_t u = 0;
          for (std::size_t k = pos_ + 1; k < close; ++k) {
            const int digit = hexDigit(line_[k]);
            if (digit < 0) {
              error = "a bad \\u{...} escape";
              return out;
            }
            u = (u << 4) | static_cast<std::uint32_t>(digit);
          }
          out += static_cast<wchar_t>(u);
          pos_ = close + 1;
          break;
        }
        default:
          error = "an unknown escape";
          return out;
      }
    }
    error = "a string without its closing quote";
    return out;
  }

  static int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  }

 private:
  void skipSpaces() {
    while (pos_ < line_.size() && (line_[pos_] == L' ' || line_[pos_] == L'\t')) ++pos_;
  }

  std::wstring_view line_;
  std::size_t pos_ = 0;
};

std::optional<long long> parseInteger(const std::wstring& word, long long low, long long high) {
  if (word.empty() || word.size() > 12) return std::nullopt;
  std::size_t i = 0;
  const bool negative = word[0] == L'-';
  if (negative) ++i;
  if (i == word.size()) return std::nullopt;
  long long value = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < L'0' || word[i] > L'9') return std::nullopt;
    value = value * 10 + (word[i] - L'0');
  }
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::string systemError(int code) {
  return std::generic_category().message(code);
}

// The format number a settings file's first line names when it is of a later format than this
// kxhost writes; such a file is another version's, not a damaged one.
std::optional<std::string> laterFormat(std::string_view text) {
  constexpr std::string_view kLead = "kxhost settings ";
  if (!text.starts_with(kLead)) return std::nullopt;
  const std::string_view rest = text.substr(kLead.size());
  const std::string_view number = rest.substr(0, rest.find_first_of("\r\n"));
  const std::string_view ours = kFirstLine.substr(kLead.size());
  if (number.empty() || number.size() > 9 ||
      number.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  if (std::stoul(std::string(number)) <= std::stoul(std::string(ours))) return std::nullopt;
  return std::string(number);
}

// Moves `file` to `file`.damaged, or .damaged.2, .3 and so on when that name is taken, so a file
// set aside before is never replaced. The name it got, or nothing (errno says why).
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file) {
  for (int n = 1; n < 1000; ++n) {
    std::filesystem::path aside = file;
    aside += n == 1 ? ".damaged" : ".damaged." + std::to_string(n);
    if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
      return aside;
    if (errno == EEXIST) continue;
    if (errno != EINVAL) return std::nullopt;
    // A file system that cannot refuse to replace: look first.
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(aside, error))) continue;
    if (::rename(file.c_str(), aside.c_str()) == 0) return aside;
    return std::nullopt;
  }
  errno = EEXIST;
  return std::nullopt;
}

// Writes `text` to `path` all at once or not at all. Empty on success, else why it failed.
std::string writeAtomically(const std::filesystem::path& path, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) return ec.message();
  try {
    kx::support::writeFileAtomically(path, text, kx::support::AtomicFile::Access::Private);
  } catch (const kx::support::FileError& e) {
    return e.reason();
  }
  return {};
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path folder, Warn warn)
    : folder_(std::move(folder)), warn_(std::move(warn)), memoryOnly_(folder_.empty()) {}

void SettingsStore::warn(const std::string& line) const {
  if (warn_)
    warn_(line);
  else
    std::cerr << line << std::endl;
}

// ---- registry ----

SettingsStore::Key* SettingsStore::findKey(std::wstring_view path) {
  load();
  const std::wstring normal = normalizedPath(path);
  if (normal.empty()) return nullptr;
  auto it = keys_.find(fold(normal));
  if (it != keys_.end()) return &it->second;
  // A hive is there from the start.
  if (normal.find(L'\\') == std::wstring::npos) {
    return &keys_.emplace(fold(normal), Key{normal, {}}).first->second;
  }
  return nullptr;
}

bool SettingsStore::hasKey(std::wstring_view path) {
  return findKey(path) != nullptr;
}

bool SettingsStore::createKey(std::wstring_view path) {
  load();
  const std::wstring normal = normalizedPath(path);
  bool created = false;
  for (std::size_t end = 0; end != std::wstring::npos && !normal.empty();) {
    end = normal.find(L'\\', end + 1);
    const std::wstring prefix = normal.substr(0, end);
    created = keys_.try_emplace(fold(prefix), Key{prefix, {}}).second;
  }
  if (created) save();
  return created;
}

std::optional<RegistryValue> SettingsStore::value(std::wstring_view key, std::wstring_view name) {
  const Key* k = findKey(key);
  if (!k) return std::nullopt;
  auto it = k->values.find(fold(name));
  if (it == k->values.end()) return std::nullopt;
  return it->second.value;
}

bool SettingsStore::setValue(std::wstring_view key, std::wstring_view name, RegistryValue value) {
  Key* k = findKey(key);
  if (!k) return false;
  auto [it, added] =
      k->values.try_emplace(fold(name), Named<RegistryValue>{std::wstring(name), {}});
  if (!added && it->second.value == value) return true;
  it->second.value = std::move(value);
  save();
  return true;
}

// ---- profile ----

std::optional<ProfileValue> SettingsStore::profile(std::wstring_view section,
                                                   std::wstring_view entry) {
  load();
  auto s = sections_.find(fold(section));
  if (s == sections_.end()) return std::nullopt;
  auto e = s->second.entries.find(fold(entry));
  if (e == s->second.entries.end()) return std::nullopt;
  return e->second.value;
}

void SettingsStore::setProfile(std::wstring_view section, std::wstring_view entry,
                               ProfileValue value) {
  load();
  Section& s =
      sections_.try_emplace(fold(section), Section{std::wstring(section), {}}).first->second;
  auto [it, added] =
      s.entries.try_emplace(fold(entry), Named<ProfileValue>{std::wstring(entry), 0});
  if (!added && it->second.value == value) return;
  it->second.value = std::move(value);
  save();
}

// ---- the file ----

std::string SettingsStore::serialize() const {
  std::string out(kFirstLine);
  out +=
      "\n# The user's settings, kept by kxhost: registry keys with their values, and profile "
      "entries.\n# kxhost rewrites this file after every change.\n";
  for (const auto& [folded, key] : keys_) {
    // A key without values that has sub-keys comes back with them.
    const std::wstring below = folded + L'\\';
    auto next = keys_.lower_bound(below);
    if (key.values.empty() && next != keys_.end() && next->first.starts_with(below)) continue;
    out += "\n[key " + quote(key.path) + "]\n";
    for (const auto& [foldedName, named] : key.values) {
      const RegistryValue& v = named.value;
      out += quote(named.name);
      if (auto text = plainString(v)) {
        out += " sz " + quote(*text);
      } else if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t number;
        std::memcpy(&number, v.data.data(), 4);
        out += " dword " + std::to_string(number);
      } else {
        out += " bytes " + std::to_string(v.type);
        if (!v.data.empty()) out += " " + hexBytes(v.data);
      }
      out += '\n';
    }
  }
  for (const auto& [folded, section] : sections_) {
    out += "\n[profile " + quote(section.name) + "]\n";
    for (const auto& [foldedEntry, named] : section.entries) {
      out += quote(named.name);
      if (const int* number = std::get_if<int>(&named.value))
        out += " int " + std::to_string(*number);
      else
        out += " str " + quote(std::get<std::wstring>(named.value));
      out += '\n';
    }
  }
  out += "end\n";
  return out;
}

std::string SettingsStore::parse(std::string_view text) {
  if (text.empty()) return "line 1: the file is empty";
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  auto at = [](std::size_t index, const std::string& reason) {
    return "line " + std::to_string(index + 1) + ": " + reason;
  };
  if (lines[0] != kFirstLine) {
    if (lines[0].starts_with("kxhost settings "))
      return at(0, "a format this kxhost does not know (" + std::string(lines[0].substr(16)) + ")");
    return at(0, "not a kxhost settings file");
  }
  Key* key = nullptr;
  Section* section = nullptr;
  bool ended = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].find('\0') != std::string_view::npos) return at(i, "binary data (a zero byte)");
    const std::optional<std::wstring> wide = kx::support::decodeUtf8Strict(lines[i]);
    if (!wide) return at(i, "not UTF-8 text");
    LineReader reader(*wide);
    if (reader.atEnd() || reader.peek(L'#')) continue;
    if (ended) return at(i, "text after the end line");
    std::string error;
    if (reader.take(L'[')) {
      const std::wstring kind = reader.word();
      const std::wstring name = reader.quotedString(error);
      if (!error.empty()) return at(i, error);
      if (!reader.take(L']') || !reader.atEnd()) return at(i, "a section line without its ]");
      if (kind == L"key") {
        const std::wstring path = normalizedPath(name);
        if (path.empty()) return at(i, "a key without a path");
        for (std::size_t end = 0; end != std::wstring::npos;) {
          end = path.find(L'\\', end + 1);
          const std::wstring prefix = path.substr(0, end);
          key = &keys_.try_emplace(fold(prefix), Key{prefix, {}}).first->second;
        }
        section = nullptr;
      } else if (kind == L"profile") {
        section = &sections_.try_emplace(fold(name), Section{name, {}}).first->second;
        key = nullptr;
      } else {
        return at(i, "an unknown kind of section");
      }
      continue;
    }
    if (!reader.peek(L'"')) {
      if (reader.word() == L"end" && reader.atEnd()) {
        ended = true;
        continue;
      }
      return at(i, "a line that is neither a section nor a value");
    }
    const std::wstring name = reader.quotedString(error);
    if (!error.empty()) return at(i, error);
    const std::wstring type = reader.word();
    if (key) {
      RegistryValue value;
      if (type == L"sz") {
        const std::wstring content = reader.quotedString(error);
        if (!error.empty()) return at(i, error);
        value = stringValue(content);
      } else if (type == L"dword") {
        const auto number = parseInteger(reader.word(), 0, 0xFFFFFFFFLL);
        if (!number) return at(i, "a dword that is not a number from 0 to 4294967295");
        const auto word = static_cast<std::uint32_t>(*number);
        value.type = kRegDword;
        value.data.resize(4);
        std::memcpy(value.data.data(), &word, 4);
      } else if (type == L"bytes") {
        const auto valueType = parseInteger(reader.word(), 0, 0xFFFFFFFFLL);
        if (!valueType) return at(i, "a value type that is not a number");
        value.type = static_cast<std::uint32_t>(*valueType);
        const std::wstring hex = reader.word();
        if (hex.size() % 2 != 0) return at(i, "an odd number of hex digits");
        for (std::size_t k = 0; k < hex.size(); k += 2) {
          const int high = LineReader::hexDigit(hex[k]);
          const int low = LineReader::hexDigit(hex[k + 1]);
          if (high < 0 || low < 0) return at(i, "bytes that are not hex digits");
          value.data.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
      } else {
        return at(i, "an unknown value type");
      }
      if (!reader.atEnd()) return at(i, "text after the value");
      key->values[fold(name)] = Named<RegistryValue>{name, std::move(value)};
    } else if (section) {
      ProfileValue value;
      if (type == L"int") {
        const auto number = parseInteger(reader.word(), INT_MIN, INT_MAX);
        if (!number) return at(i, "an int that is not a number in range");
        value = static_cast<int>(*number);
      } else if (type == L"str") {
        value = reader.quotedString(error);
        if (!error.empty()) return at(i, error);
      } else {
        return at(i, "an unknown entry type");
      }
      if (!reader.atEnd()) return at(i, "text after the value");
      section->entries[fold(name)] = Named<ProfileValue>{name, std::move(value)};
    } else {
      return at(i, "a value before any section");
    }
  }
  if (!ended) return at(lines.size() - 1, "the file ends early (no end line)");
  return {};
}

void SettingsStore::load() {
  if (loaded_) return;
  loaded_ = true;
  if (folder_.empty()) return;
  const std::filesystem::path file = folder_ / kFileName;
  const std::string shown = file.string();
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) return;  // nothing saved yet
  std::string text;
  int failure = fd < 0 ? errno : 0;
  struct stat info {};
  if (!failure && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) failure = EISDIR;
  while (!failure) {
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) failure = errno;
      continue;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (fd >= 0) ::close(fd);
  if (failure) {
    // Writing would replace a file we could not look at; leave it alone.
    warn("kxhost: settings in " + shown + " could not be read (" + systemError(failure) +
         "); starting with empty settings, kept in memory for this run");
    memoryOnly_ = true;
    return;
  }
  if (const auto format = laterFormat(text)) {
    // Its settings are the user's, for the kxhost that wrote them; this run leaves them be.
    warn("kxhost: settings in " + shown + " are of a later kxhost (format " + *format +
         "); the file is left as it is and this run starts with empty settings, kept in memory");
    memoryOnly_ = true;
    return;
  }
  const std::string damage = parse(text);
  if (damage.empty()) return;
  keys_.clear();
  sections_.clear();
  const auto aside = moveAside(file);
  if (!aside) {
    warn("kxhost: settings in " + shown + " were damaged (" + damage +
         "); starting with empty settings, kept in memory for this run (the damaged file could "
         "not be moved aside: " +
         systemError(errno) + ")");
    memoryOnly_ = true;
    return;
  }
  warn("kxhost: settings in " + shown + " were damaged (" + damage +
       "); starting with empty settings, the damaged file kept as " + aside->filename().string());
}

void SettingsStore::save() {
  if (memoryOnly_) return;
  const std::string failure = writeAtomically(folder_ / kFileName, serialize());
  if (failure.empty()) return;
  warn("kxhost: settings cannot be saved in " + folder_.string() + " (" + failure +
       "); they are kept in memory for this run");
  memoryOnly_ = true;
}

// ---- the run's store ----

namespace {
std::unique_ptr<SettingsStore>& current() {
  static std::unique_ptr<SettingsStore> store;
  return store;
}
}  // namespace

SettingsStore& sessionSettings() {
  std::unique_ptr<SettingsStore>& store = current();
  const std::filesystem::path& folder = editor::Session::instance().configDir;
  if (!store || store->folder() != folder) store = std::make_unique<SettingsStore>(folder);
  return *store;
}

void resetSessionSettings() {
  current().reset();
}

}  // namespace kx::platform
