#include "dxf/tag_scanner.h"

#include <algorithm>
#include <cstring>

namespace kx::dxf {
namespace {

constexpr int kLargestCode = 32767;

// Parses "  10", "10", "-1 " and the like; false for anything else.
bool parseCode(const char* p, std::size_t n, int& code) {
  std::size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && p[i] == '-') negative = true, ++i;
  const std::size_t digitsStart = i;
  int value = 0;
  while (i < n && p[i] >= '0' && p[i] <= '9') {
    value = value * 10 + (p[i] - '0');
    if (value > kLargestCode) return false;
    ++i;
  }
  if (i == digitsStart) return false;
  while (i < n && (p[i] == ' ' || p[i] == '\t')) ++i;
  if (i != n) return false;
  code = negative ? -value : value;
  return true;
}

}  // namespace

ScanStatus TagScanner::next(RawTag& tag) {
  const std::size_t size = text_.size();
  if (pos_ >= size) return ScanStatus::End;
  const char* base = text_.data();

  const char* codeEnd = static_cast<const char*>(std::memchr(base + pos_, '\n', size - pos_));
  std::size_t codeLineEnd = codeEnd ? static_cast<std::size_t>(codeEnd - base) : size;
  std::size_t codeTextEnd = codeLineEnd;
  tag.codeCR = codeTextEnd > pos_ && base[codeTextEnd - 1] == '\r';
  if (tag.codeCR) --codeTextEnd;
  const std::size_t codeWidth = codeTextEnd - pos_;
  if (codeWidth > 255 || !parseCode(base + pos_, codeWidth, tag.code)) return ScanStatus::BadCode;
  if (!codeEnd) return ScanStatus::MissingValue;

  tag.codeOffset = pos_;
  tag.codeWidth = static_cast<std::uint8_t>(codeWidth);
  const std::size_t valueStart = codeLineEnd + 1;
  const char* valueEnd =
      valueStart < size
          ? static_cast<const char*>(std::memchr(base + valueStart, '\n', size - valueStart))
          : nullptr;
  if (!valueEnd && valueStart >= size) return ScanStatus::MissingValue;
  std::size_t valueLineEnd = valueEnd ? static_cast<std::size_t>(valueEnd - base) : size;
  tag.valueHasLineEnd = valueEnd != nullptr;
  tag.next = valueEnd ? valueLineEnd + 1 : size;
  if (valueLineEnd > valueStart && base[valueLineEnd - 1] == '\r') --valueLineEnd;
  tag.valueOffset = valueStart;
  tag.valueLength = valueLineEnd - valueStart;
  pos_ = tag.next;
  return ScanStatus::Ok;
}

std::size_t lineNumberAt(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

void appendCanonicalCode(std::string& out, int code) {
  char digits[12];
  int n = 0;
  unsigned value = code < 0 ? static_cast<unsigned>(-code) : static_cast<unsigned>(code);
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value);
  if (code < 0) digits[n++] = '-';
  for (int pad = n; pad < 3; ++pad) out.push_back(' ');
  while (n) out.push_back(digits[--n]);
}

}  // namespace kx::dxf
