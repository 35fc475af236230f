#include "commands/convert/text_to_mtext.h"

#include <cwctype>

namespace {

bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// Appends `piece`; a literal percent sign already at the end would read back together with a
// piece that starts with one as a %% code, so an empty group keeps them apart.
void append(std::wstring& out, const std::wstring& piece) {
  if (!piece.empty() && piece.front() == L'%' && !out.empty() && out.back() == L'%') out += L"{}";
  out += piece;
}

std::wstring literal(wchar_t c) {
  switch (c) {
    case L'\\':
      return L"\\\\";
    case L'{':
      return L"\\{";
    case L'}':
      return L"\\}";
    case L'^':
      return L"^ ";  // how MTEXT keeps a caret that is not a control character
    default:
      return std::wstring(1, c);
  }
}

}  // namespace

std::wstring mtextFromTextString(const wchar_t* text) {
  std::wstring out;
  if (!text) return out;
  bool underline = false, overline = false;
  for (const wchar_t* p = text; *p;) {
    if (p[0] != L'%' || p[1] != L'%' || p[2] == L'\0') {
      append(out, literal(*p++));
      continue;
    }
    const wchar_t code = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(p[2])));
    if (code == L'u' || code == L'o') {
      bool& on = code == L'u' ? underline : overline;
      on = !on;
      append(out, code == L'u' ? (on ? L"\\L" : L"\\l") : (on ? L"\\O" : L"\\o"));
      p += 3;
    } else if (code == L'd' || code == L'p' || code == L'c') {
      append(out, std::wstring(p, 3));
      p += 3;
    } else if (code == L'%') {
      append(out, L"%");
      p += 3;
    } else if (isDigit(p[2]) && isDigit(p[3]) && isDigit(p[4])) {
      const int number = (p[2] - L'0') * 100 + (p[3] - L'0') * 10 + (p[4] - L'0');
      // 128 to 159 name characters of the drawing's code page, not code points: kept as typed.
      if (number >= 32 && (number < 128 || number > 159))
        append(out, literal(static_cast<wchar_t>(number)));
      else
        append(out, std::wstring(p, 5));
      p += 5;
    } else {
      append(out, L"%");
      ++p;
    }
  }
  if (underline) out += L"\\l";
  if (overline) out += L"\\o";
  return out;
}
