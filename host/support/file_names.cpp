#include "support/file_names.h"

#include <string>

#include "support/utf8.h"

namespace kx::support {

std::filesystem::path pathFromName(std::wstring_view name) {
  std::wstring joined;
  joined.reserve(name.size());
  for (const wchar_t c : name) {
    const wchar_t ch = c == L'\\' ? L'/' : c;
    if (ch == L'/' && !joined.empty() && joined.back() == L'/') continue;
    joined.push_back(ch);
  }
  return std::filesystem::path(toUtf8(joined));
}

}  // namespace kx::support
