#include "commands/edit/underline_codes.h"

namespace {

constexpr std::size_t kCodeLength = 3;

bool underlineCodeAt(std::wstring_view text, std::size_t at) {
  return text.size() >= at + kCodeLength && text[at] == L'%' && text[at + 1] == L'%' &&
         (text[at + 2] == L'u' || text[at + 2] == L'U');
}

}  // namespace

int leadingUnderlineCodes(std::wstring_view text) {
  int codes = 0;
  while (underlineCodeAt(text, codes * kCodeLength)) ++codes;
  return codes;
}

std::wstring underlined(std::wstring_view text) {
  return L"%%u" + std::wstring(text.substr(leadingUnderlineCodes(text) * kCodeLength));
}

std::wstring notUnderlined(std::wstring_view text) {
  const int codes = leadingUnderlineCodes(text);
  return std::wstring(codes % 2 == 1 ? text.substr(codes * kCodeLength) : text);
}
