// The file navigation dialog as two prompts: the path, then the file type.

#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "dxf/encoding.h"
#include "editor/input_source.h"
#include "editor/prompts.h"
#include "editor/reply_text.h"
#include "kx/kxfiledlg.h"
#include "support/case_fold.h"
#include "support/file_names.h"
#include "support/utf8.h"

namespace {

using kx::editor::trimmed;

namespace fs = std::filesystem;

struct Filter {
  std::wstring description;
  std::vector<std::wstring> patterns;  // "*.txt"
};

std::vector<std::wstring> split(std::wstring_view text, std::wstring_view separators) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find_first_of(separators, start);
    std::wstring part =
        trimmed(text.substr(start, end == std::wstring_view::npos ? end : end - start));
    if (!part.empty()) parts.push_back(std::move(part));
    if (end == std::wstring_view::npos) return parts;
    start = end + 1;
  }
}

bool isPattern(std::wstring_view word) {
  return word.find_first_of(L"*?") != std::wstring_view::npos &&
         word.find_first_of(L" ()") == std::wstring_view::npos;
}

bool onlyPatterns(std::wstring_view part) {
  const std::vector<std::wstring> words = split(part, L";,");
  if (words.empty()) return false;
  for (const std::wstring& w : words)
    if (!isPattern(w)) return false;
  return true;
}

// "text files(*.txt)|CSV files(*.csv)", or pairs "Text (*.txt)|*.txt|...": a part that holds
// nothing but patterns gives the patterns of the description before it.
std::vector<Filter> parseFilters(const wchar_t* text) {
  std::vector<Filter> filters;
  if (!text) return filters;
  bool paired = true;  // the last filter has had its pattern part
  for (const std::wstring& part : split(text, L"|")) {
    if (!filters.empty() && !paired && onlyPatterns(part)) {
      filters.back().patterns = split(part, L";,");
      paired = true;
      continue;
    }
    Filter f;
    f.description = part;
    const std::size_t open = part.rfind(L'(');
    const std::size_t close = part.rfind(L')');
    if (open != std::wstring::npos && close != std::wstring::npos && open < close) {
      f.patterns = split(std::wstring_view(part).substr(open + 1, close - open - 1), L";,");
    } else if (onlyPatterns(part)) {
      f.patterns = split(part, L";,");
    }
    filters.push_back(std::move(f));
    paired = false;
  }
  return filters;
}

wchar_t folded(wchar_t c) {
  return static_cast<wchar_t>(kx::support::toLowerCase(static_cast<char32_t>(c)));
}

// '*' any run of characters, '?' one; letters without regard to case. "*.*" takes every name.
bool matches(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*") return true;
  std::size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || folded(pattern[p]) == folded(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// The extension a filter writes, ".csv" for "*.csv"; empty when its patterns name none.
std::wstring extensionOf(const Filter& filter) {
  for (const std::wstring& pattern : filter.patterns) {
    if (!pattern.starts_with(L"*.")) continue;
    const std::wstring ext = pattern.substr(1);
    if (ext.find_first_of(L"*?") == std::wstring::npos && ext.size() > 1) return ext;
  }
  return {};
}

std::wstring wide(const fs::path& path) {
  return kx::support::decodeUtf8Lenient(path.string());
}

bool isCancel(const std::wstring& reply) {
  return reply == L"^C" || reply == L"^c";
}

class IOManager : public IUlmIOManager {
 public:
  int showFileNavigationDialog(const wchar_t* title, const wchar_t* defaultName,
                               const wchar_t* defaultExtensions, int flags, resbuf* result,
                               int /*maxResults*/, const wchar_t* filterText, int /*reserved1*/,
                               int* filterIndex, int /*reserved2*/, int /*reserved3*/) override {
    if (!result) return KXRT_ERROR;
    auto& prompter = kx::editor::Prompter::instance();
    const std::vector<Filter> filters = parseFilters(filterText);
    std::vector<std::wstring> extensions;
    for (std::wstring ext : split(defaultExtensions ? defaultExtensions : L"", L";,")) {
      while (!ext.empty() && (ext.front() == L'*' || ext.front() == L'.')) ext.erase(0, 1);
      if (!ext.empty()) extensions.push_back(L"." + ext);
    }
    const std::wstring fallbackName = defaultName ? defaultName : L"";

    // ---- the path ----
    std::wstring prompt = title && *title ? title : L"File name";
    if (!fallbackName.empty()) prompt += L" <" + fallbackName + L">";
    prompt += L": ";
    fs::path path;
    for (;;) {
      const std::optional<std::wstring> line = prompter.ask(prompt);
      if (!line) return KXRT_CANCEL;
      std::wstring reply = trimmed(*line);
      if (isCancel(reply)) {
        prompter.say(L"*Cancel*");
        return KXRT_CANCEL;
      }
      if (reply.size() >= 2 && reply.front() == L'"' && reply.back() == L'"')
        reply = reply.substr(1, reply.size() - 2);
      if (reply.empty()) reply = fallbackName;
      if (reply.empty()) {
        prompter.refuse(L"Enter a file name.");
        continue;
      }
      std::error_code error;
      path = fs::absolute(kx::support::pathFromName(reply), error).lexically_normal();
      if (error || path.filename().empty()) {
        prompter.refuse(L"\"" + reply + L"\" is not a file name.");
        continue;
      }
      if (std::optional<std::wstring> why = refusal(path, flags, extensions)) {
        prompter.refuse(*why);
        continue;
      }
      break;
    }

    // ---- the file type ----
    int chosen = 0;
    if (!filters.empty()) {
      const std::wstring name = wide(path.filename());
      int proposed = 0;
      for (std::size_t i = 0; i < filters.size() && proposed == 0; ++i)
        for (const std::wstring& pattern : filters[i].patterns)
          if (matches(pattern, name)) {
            proposed = static_cast<int>(i) + 1;
            break;
          }
      if (proposed == 0) proposed = 1;
      std::wstring typePrompt = L"File type [";
      for (std::size_t i = 0; i < filters.size(); ++i)
        typePrompt += (i ? L" / " : L"") + std::to_wstring(i + 1) + L" " + filters[i].description;
      typePrompt += L"] <" + std::to_wstring(proposed) + L">: ";
      for (;;) {
        const std::optional<std::wstring> line = prompter.ask(typePrompt);
        if (!line) return KXRT_CANCEL;
        const std::wstring reply = trimmed(*line);
        if (isCancel(reply)) {
          prompter.say(L"*Cancel*");
          return KXRT_CANCEL;
        }
        if (reply.empty()) {
          chosen = proposed - 1;
          break;
        }
        if (reply.size() <= 4 && reply.find_first_not_of(L"0123456789") == std::wstring::npos) {
          const int n = std::stoi(reply);
          if (n >= 1 && n <= static_cast<int>(filters.size())) {
            chosen = n - 1;
            break;
          }
        }
        prompter.refuse(L"Enter a number from 1 to " + std::to_wstring(filters.size()) + L".");
      }
    }

    // A new file named without an extension gets the one of its type.
    if ((flags & KX_FILENAV_SAVE) && !(flags & KX_FILENAV_OPEN) && !path.has_extension()) {
      std::wstring ext = filters.empty() ? std::wstring() : extensionOf(filters[chosen]);
      if (ext.empty() && !extensions.empty()) ext = extensions.front();
      path += kx::support::toUtf8(ext);
    }

    result->code = KXRT_STR;
    if (kxutNewString(wide(path).c_str(), &result->value.string) != KXRT_NORM) return KXRT_ERROR;
    if (filterIndex) *filterIndex = chosen;
    return KXRT_NORM;
  }

 private:
  // Why `path` will not do; for a file to open named without its extension, `path` becomes the
  // first existing name with one of `extensions`.
  static std::optional<std::wstring> refusal(fs::path& path, int flags,
                                             const std::vector<std::wstring>& extensions) {
    std::error_code error;
    if (fs::is_directory(path, error)) return L"\"" + wide(path) + L"\" is a folder.";
    if (flags & KX_FILENAV_OPEN) {
      if (fs::is_regular_file(path, error)) return {};
      if (!path.has_extension()) {
        for (const std::wstring& ext : extensions) {
          fs::path candidate = path;
          candidate += kx::support::toUtf8(ext);
          if (fs::is_regular_file(candidate, error)) {
            path = candidate;
            return {};
          }
        }
      }
      return L"File \"" + wide(path) + L"\" does not exist.";
    }
    if (flags & KX_FILENAV_SAVE) {
      if (!fs::is_directory(path.parent_path(), error))
        return L"Folder \"" + wide(path.parent_path()) + L"\" does not exist.";
    }
    return {};
  }
};

class UlmInterfaces : public IUlmInterfaces {
 public:
  IUlmIOManager* getIOManagerInterface() override { return &ioManager_; }

 private:
  IOManager ioManager_;
};

}  // namespace

extern "C" IUlmInterfaces* getUlmInterfaces() {
  static UlmInterfaces interfaces;
  return &interfaces;
}
