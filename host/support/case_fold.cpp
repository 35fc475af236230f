#include "support/case_fold.h"

#include <algorithm>
#include <array>

namespace kx::support {
namespace {

// A run of letters whose lower case is at a fixed distance (`stride` 1), or of alternating
// upper/lower pairs starting with an upper-case letter (`stride` 2).
struct CaseRange {
  char32_t firstUpper;
  char32_t lastUpper;
  int stride;  // 1: every character of the run is upper case; 2: every other one
  int delta;   // lower minus upper
};

constexpr CaseRange kRanges[] = {
    {0x41, 0x5A, 1, 32},      // A-Z
    {0xC0, 0xD6, 1, 32},      // Latin-1
    {0xD8, 0xDE, 1, 32},      //
    {0x100, 0x12F, 2, 1},     // Latin Extended-A
    {0x132, 0x137, 2, 1},     //
    {0x139, 0x148, 2, 1},     //
    {0x14A, 0x177, 2, 1},     //
    {0x179, 0x17E, 2, 1},     //
    {0x182, 0x185, 2, 1},     // Latin Extended-B, the regular pairs
    {0x1A0, 0x1A5, 2, 1},     //
    {0x1CD, 0x1DC, 2, 1},     //
    {0x1DE, 0x1EF, 2, 1},     //
    {0x1F8, 0x21F, 2, 1},     //
    {0x222, 0x233, 2, 1},     //
    {0x386, 0x386, 1, 38},    // Greek
    {0x388, 0x38A, 1, 37},    //
    {0x38C, 0x38C, 1, 64},    //
    {0x38E, 0x38F, 1, 63},    //
    {0x391, 0x3A1, 1, 32},    //
    {0x3A3, 0x3AB, 1, 32},    //
    {0x3D8, 0x3EF, 2, 1},     //
    {0x400, 0x40F, 1, 80},    // Cyrillic
    {0x410, 0x42F, 1, 32},    //
    {0x460, 0x481, 2, 1},     //
    {0x48A, 0x4BF, 2, 1},     //
    {0x4C1, 0x4CE, 2, 1},     //
    {0x4D0, 0x52F, 2, 1},     //
    {0x531, 0x556, 1, 48},    // Armenian
    {0x1E00, 0x1E95, 2, 1},   // Latin Extended Additional
    {0x1EA0, 0x1EFF, 2, 1},   //
    {0x2160, 0x216F, 1, 16},  // Roman numerals
    {0x24B6, 0x24CF, 1, 26},  // circled letters
    {0xFF21, 0xFF3A, 1, 32},  // full-width A-Z
};

bool inRun(const CaseRange& r, char32_t c, char32_t first) {
  const char32_t last = r.stride == 1 ? r.lastUpper + (first - r.firstUpper) : r.lastUpper;
  return c >= first && c <= last && (r.stride == 1 || (c - first) % 2 == 0);
}

}  // namespace

char32_t toLowerCase(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c == 0x178) return 0xFF;                                             // Ÿ
  if (c == 0x130) return 'i';                                              // İ
  if (c == 0x1C4 || c == 0x1C7 || c == 0x1CA || c == 0x1F1) return c + 2;  // DŽ, LJ, NJ, DZ
  for (const CaseRange& r : kRanges)
    if (inRun(r, c, r.firstUpper)) return c + static_cast<char32_t>(r.delta);
  return c;
}

char32_t toUpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if (c == 0xFF) return 0x178;
  if (c == 0x131) return 'I';    // dotless ı
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c == 0x1C6 || c == 0x1C9 || c == 0x1CC || c == 0x1F3) return c - 2;
  for (const CaseRange& r : kRanges) {
    const char32_t firstLower = r.firstUpper + static_cast<char32_t>(r.delta);
    if (inRun(r, c, firstLower)) return c - static_cast<char32_t>(r.delta);
  }
  return c;
}

bool isLetter(char32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
  if (c == 0xD7 || c == 0xF7) return false;
  if (c <= 0x24F) return true;  // Latin-1 letters and Latin Extended-A and -B
  if (toLowerCase(c) != c || toUpperCase(c) != c) return true;
  constexpr std::array<std::pair<char32_t, char32_t>, 12> kLetterBlocks{{
      {0x370, 0x3FF},    // Greek
      {0x400, 0x52F},    // Cyrillic
      {0x531, 0x587},    // Armenian
      {0x5D0, 0x5EA},    // Hebrew
      {0x620, 0x64A},    // Arabic
      {0x1E00, 0x1EFF},  // Latin Extended Additional
      {0x3040, 0x30FF},  // kana
      {0x3400, 0x4DBF},  // CJK extension A
      {0x4E00, 0x9FFF},  // CJK
      {0xAC00, 0xD7A3},  // Hangul
      {0xF900, 0xFAFF},  // CJK compatibility
      {0xFF21, 0xFF5A},  // full-width Latin
  }};
  return std::any_of(kLetterBlocks.begin(), kLetterBlocks.end(),
                     [c](const auto& b) { return c >= b.first && c <= b.second; });
}

std::wstring lowerCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(toLowerCase(static_cast<char32_t>(c)));
  return out;
}

std::wstring upperCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(toUpperCase(static_cast<char32_t>(c)));
  return out;
}

std::string asciiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string asciiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

bool sameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return sameLetter(static_cast<char32_t>(x), static_cast<char32_t>(y));
         });
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace kx::support
