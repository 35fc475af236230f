#pragma once
// The host's printf rules for wide format strings, shared by kxutPrintf, kxutVSPrintf and
// CString::Format: %s and %ls take a wide string, %hs a narrow (UTF-8) one, %c a wide character,
// %hc a narrow one; numbers as the C library formats them; %n is ignored.

#include <cstdarg>
#include <string>

namespace kx::support {

// The formatted text; empty for a null format. Consumes `args` as the conversions need them.
std::wstring formatWide(const wchar_t* format, va_list args);

}  // namespace kx::support
