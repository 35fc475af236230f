#pragma once
// Keyword replies compare with the words the code holds without regard to case.

#include <cwctype>

inline bool sameKeyword(const wchar_t* reply, const wchar_t* keyword) {
  // A reply that ends first meets its terminator against a letter of the keyword.
  for (; *keyword; ++reply, ++keyword)
    if (std::towupper(static_cast<wint_t>(*reply)) != std::towupper(static_cast<wint_t>(*keyword)))
      return false;
  return *reply == L'\0';
}
