// Formatted output to the command line and into buffers, with the host's formatting rules
// (api/wide_format.h: %s takes a wide string).

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

#include "editor/terminal_reader.h"
#include "kx/kxed.h"
#include "support/wide_format.h"

namespace {

// The transcript keeps track of where the line stands (so a prompt's leading "\n" after a reply
// makes no empty line) and passes the text on to Session::output.
void emit(std::wstring_view text) {
  kx::editor::Transcript::instance().print(text);
}

}  // namespace

extern "C" {

int kxutPrintf(const wchar_t* format, ...) {
  if (!format) return -1;
  va_list args;
  va_start(args, format);
  const std::wstring text = kx::support::formatWide(format, args);
  va_end(args);
  emit(text);
  return static_cast<int>(text.size());
}

// Writes at most size - 1 characters and a terminating null; returns how many characters were
// written (without the null), or -1 when there is no room at all.
int kxutVSPrintf(wchar_t* buffer, int size, const wchar_t* format, va_list args) {
  if (!buffer || size <= 0 || !format) return -1;
  const std::wstring text = kx::support::formatWide(format, args);
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::wmemcpy(buffer, text.data(), n);
  buffer[n] = L'\0';
  return static_cast<int>(n);
}
}
