#pragma once
// Upper and lower case of the letters CAD users put in names and texts (Latin, Greek, Cyrillic,
// Armenian, full-width Latin), the same whatever locale the process runs in: the C library's
// towupper knows only ASCII in the "C" locale a host usually runs in, and other locales give other
// answers, so names that match on one machine would not on another.

#include <string>
#include <string_view>

namespace kx::support {

char32_t toLowerCase(char32_t c);
char32_t toUpperCase(char32_t c);
inline bool isUpperCase(char32_t c) {
  return toLowerCase(c) != c;
}
inline bool isLowerCase(char32_t c) {
  return toUpperCase(c) != c;
}
// Whether two characters are the same letter but for case (or the same character).
inline bool sameLetter(char32_t a, char32_t b) {
  return a == b || toLowerCase(a) == toLowerCase(b);
}
// Letters of the scripts above, and the CJK, kana and Hangul blocks.
bool isLetter(char32_t c);

std::wstring lowerCase(std::wstring_view text);
std::wstring upperCase(std::wstring_view text);
// ASCII letters only: for file names, keywords and type names held as bytes.
std::string asciiLowerCase(std::string_view text);
std::string asciiUpperCase(std::string_view text);

// Equal without regard to case.
bool sameIgnoringCase(std::wstring_view a, std::wstring_view b);
bool sameIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace kx::support
