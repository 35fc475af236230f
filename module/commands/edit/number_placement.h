#pragma once
// How TCOUNT puts a number into a text: instead of it, before or after it, or in place of a
// search string. An MTEXT numbers each paragraph on its own.

#include <string>

enum class NumberPlacement : wchar_t {
  kOverwrite = L'O',
  kPrefix = L'P',
  kSuffix = L'S',
  kFindReplace = L'F',
};

// The next number; wraps around instead of overflowing, as a 32-bit counter would.
inline int advanceNumber(int number, int increment) {
  return static_cast<int>(static_cast<unsigned>(number) + static_cast<unsigned>(increment));
}

struct NumberedText {
  std::wstring text;
  bool replaced = false;  // find and replace found the search string
};

// `text` with `number` placed in it; `search` is used only for kFindReplace.
NumberedText placeNumber(const std::wstring& text, int number, NumberPlacement placement,
                         const std::wstring& search);

// The same for MTEXT contents: paragraph i (split at "\P") takes number + i * increment.
// `paragraphs` receives their count.
NumberedText placeNumbers(const std::wstring& contents, int number, int increment,
                          NumberPlacement placement, const std::wstring& search, int& paragraphs);
