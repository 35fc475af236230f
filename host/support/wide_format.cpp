// The host's printf rules for wide format strings. Modules write their format strings in wide
// characters and pass wide strings to %s, so each conversion is formatted here one at a time:
// %s and %ls take a wchar_t*, %hs a narrow (UTF-8) char*, %c a wide character, %hc a narrow one.
// Numbers go through the C library with the flags, width and precision the format gives.

#include "support/wide_format.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <string>
#include <string_view>

#include "support/utf8.h"

namespace kx::support {
namespace {

// Formats one complete numeric conversion such as L"%-8.3f".
template <typename T>
void appendNumber(std::wstring& out, const std::wstring& conversion, T value) {
  wchar_t small[128];
  int n = std::swprintf(small, std::size(small), conversion.c_str(), value);
  if (n >= 0) {
    out.append(small, static_cast<std::size_t>(n));
    return;
  }
  // Too long for the small buffer (a wide field or a huge %f): grow until it fits.
  for (std::size_t size = 1024; size <= (std::size_t{1} << 24); size *= 4) {
    std::wstring buffer(size, L'\0');
    n = std::swprintf(buffer.data(), size, conversion.c_str(), value);
    if (n >= 0) {
      out.append(buffer.data(), static_cast<std::size_t>(n));
      return;
    }
  }
}

// A string or character field: pads to `width` (left-justified with '-'), cuts at `precision`.
void appendPadded(std::wstring& out, std::wstring_view text, bool left, int width, int precision) {
  if (precision >= 0 && static_cast<std::size_t>(precision) < text.size())
    text = text.substr(0, static_cast<std::size_t>(precision));
  const std::size_t pad =
      width > 0 && static_cast<std::size_t>(width) > text.size() ? width - text.size() : 0;
  if (!left) out.append(pad, L' ');
  out.append(text);
  if (left) out.append(pad, L' ');
}

}  // namespace

std::wstring formatWide(const wchar_t* fmt, va_list args) {
  std::wstring out;
  if (!fmt) return out;
  const wchar_t* p = fmt;
  while (*p) {
    if (*p != L'%') {
      out.push_back(*p++);
      continue;
    }
    const wchar_t* start = p++;
    if (*p == L'%') {
      out.push_back(L'%');
      ++p;
      continue;
    }
    std::wstring flags;
    while (*p && std::wstring_view(L"-+ #0").find(*p) != std::wstring_view::npos) flags += *p++;
    int width = -1;
    if (*p == L'*') {
      width = va_arg(args, int);
      if (width < 0) {
        flags += L'-';
        width = -width;
      }
      ++p;
    } else if (*p >= L'0' && *p <= L'9') {
      width = 0;
      while (*p >= L'0' && *p <= L'9') width = width * 10 + (*p++ - L'0');
    }
    int precision = -1;
    if (*p == L'.') {
      ++p;
      precision = 0;
      if (*p == L'*') {
        precision = va_arg(args, int);
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9') precision = precision * 10 + (*p++ - L'0');
      }
    }
    std::wstring length;
    while (*p && std::wstring_view(L"hlLqjzt").find(*p) != std::wstring_view::npos) length += *p++;
    const wchar_t conversion = *p;
    if (!conversion) {  // a format that ends inside a conversion: show it as written
      out.append(start);
      break;
    }
    ++p;

    std::wstring head = L"%" + flags;  // the conversion up to its length and type letters
    if (width >= 0) head += std::to_wstring(width);
    if (precision >= 0) head += L"." + std::to_wstring(precision);
    const bool left = flags.find(L'-') != std::wstring::npos;

    switch (conversion) {
      case L'd':
      case L'i':
        if (length == L"l")
          appendNumber(out, head + L"ld", va_arg(args, long));
        else if (length == L"ll" || length == L"q" || length == L"j")
          appendNumber(out, head + L"lld", va_arg(args, long long));
        else if (length == L"z" || length == L"t")
          appendNumber(out, head + L"td", va_arg(args, std::ptrdiff_t));
        else if (length == L"h")
          appendNumber(out, head + L"d", static_cast<short>(va_arg(args, int)));
        else if (length == L"hh")
          appendNumber(out, head + L"d", static_cast<signed char>(va_arg(args, int)));
        else
          appendNumber(out, head + L"d", va_arg(args, int));
        break;
      case L'u':
      case L'o':
      case L'x':
      case L'X': {
        const std::wstring c(1, conversion);
        if (length == L"l")
          appendNumber(out, head + L"l" + c, va_arg(args, unsigned long));
        else if (length == L"ll" || length == L"q" || length == L"j")
          appendNumber(out, head + L"ll" + c, va_arg(args, unsigned long long));
        else if (length == L"z" || length == L"t")
          appendNumber(out, head + L"z" + c, va_arg(args, std::size_t));
        else if (length == L"h")
          appendNumber(out, head + c, static_cast<unsigned short>(va_arg(args, unsigned)));
        else if (length == L"hh")
          appendNumber(out, head + c, static_cast<unsigned char>(va_arg(args, unsigned)));
        else
          appendNumber(out, head + c, va_arg(args, unsigned));
        break;
      }
      case L'f':
      case L'F':
      case L'e':
      case L'E':
      case L'g':
      case L'G':
      case L'a':
      case L'A':
        // %lf is a double as in printf; %Lf a long double.
        if (length == L"L")
          appendNumber(out, head + L"L" + conversion, va_arg(args, long double));
        else
          appendNumber(out, head + conversion, va_arg(args, double));
        break;
      case L'p':
        appendNumber(out, head + L"p", va_arg(args, void*));
        break;
      case L'c':
      case L'C': {
        const bool narrow = length == L"h" || conversion == L'C';
        const int c = va_arg(args, int);
        const wchar_t w =
            narrow ? static_cast<wchar_t>(static_cast<unsigned char>(c)) : static_cast<wchar_t>(c);
        appendPadded(out, std::wstring_view(&w, 1), left, width, -1);
        break;
      }
      case L's':
      case L'S': {
        const bool narrow = length == L"h" || conversion == L'S';
        if (narrow) {
          const char* s = va_arg(args, const char*);
          appendPadded(out, s ? decodeUtf8Lenient(s) : std::wstring(L"(null)"), left, width,
                       precision);
        } else {
          const wchar_t* s = va_arg(args, const wchar_t*);
          appendPadded(out, s ? std::wstring_view(s) : std::wstring_view(L"(null)"), left, width,
                       precision);
        }
        break;
      }
      case L'n':
        // Writing through a pointer taken from a format is how format strings get exploited.
        (void)va_arg(args, void*);
        break;
      default:  // not a conversion: show it as written
        out.append(start, p);
        break;
    }
  }
  return out;
}

}  // namespace kx::support
