#include "commands/edit/number_placement.h"

#include <string_view>
#include <vector>

namespace {

constexpr std::wstring_view kParagraphBreak = L"\\P";

std::vector<std::wstring> splitParagraphs(const std::wstring& contents) {
  std::vector<std::wstring> paragraphs;
  std::size_t start = 0;
  for (std::size_t at; (at = contents.find(kParagraphBreak, start)) != std::wstring::npos;) {
    paragraphs.push_back(contents.substr(start, at - start));
    start = at + kParagraphBreak.size();
  }
  paragraphs.push_back(contents.substr(start));
  return paragraphs;
}

}  // namespace

NumberedText placeNumber(const std::wstring& text, int number, NumberPlacement placement,
                         const std::wstring& search) {
  const std::wstring digits = std::to_wstring(number);
  switch (placement) {
    case NumberPlacement::kOverwrite:
      return {digits};
    case NumberPlacement::kPrefix:
      return {digits + L" " + text};
    case NumberPlacement::kSuffix:
      return {text + L" " + digits};
    case NumberPlacement::kFindReplace:
      break;
  }
  NumberedText result{text};
  if (search.empty()) return result;
  for (std::size_t at = 0; (at = result.text.find(search, at)) != std::wstring::npos;) {
    result.text.replace(at, search.size(), digits);
    at += digits.size();
    result.replaced = true;
  }
  return result;
}

NumberedText placeNumbers(const std::wstring& contents, int number, int increment,
                          NumberPlacement placement, const std::wstring& search, int& paragraphs) {
  const std::vector<std::wstring> pieces = splitParagraphs(contents);
  paragraphs = static_cast<int>(pieces.size());
  NumberedText result;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) result.text += kParagraphBreak;
    const NumberedText piece = placeNumber(pieces[i], number, placement, search);
    result.text += piece.text;
    result.replaced = result.replaced || piece.replaced;
    number = advanceNumber(number, increment);
  }
  return result;
}
