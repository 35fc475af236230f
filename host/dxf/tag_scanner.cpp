#include "dxf/tag_scanner.h"

#include <algorithm>
#include <cstring>

namespace kx::dxf {
namespace {

constexpr int kLargestCode = 32767;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

// Runs once per group of every drawing read, so the group-code line is parsed in the same pass
// that looks for its end.
ScanStatus TagScanner::next(RawTag& tag) {
  const std::size_t size = text_.size();
  if (pos_ >= size) return ScanStatus::End;
  const char* const base = text_.data();
  const char* const end = base + size;
  const char* const lineStart = base + pos_;

  const char* p = lineStart;
  while (p < end && isBlank(*p)) ++p;
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  const char* const digits = p;
  int code = 0;
  while (p < end && static_cast<unsigned>(*p - '0') < 10) {
    code = code * 10 + (*p - '0');
    if (code > kLargestCode) return ScanStatus::BadCode;
    ++p;
  }
  if (p == digits) return ScanStatus::BadCode;
  while (p < end && isBlank(*p)) ++p;
  tag.codeCR = p < end && *p == '\r';
  const char* const codeTextEnd = p;
  if (tag.codeCR) ++p;
  if (p == end) return ScanStatus::MissingValue;
  if (*p != '\n') return ScanStatus::BadCode;
  const std::size_t codeWidth = static_cast<std::size_t>(codeTextEnd - lineStart);
  if (codeWidth > 255) return ScanStatus::BadCode;

  tag.code = negative ? -code : code;
  tag.codeOffset = pos_;
  tag.codeWidth = static_cast<std::uint8_t>(codeWidth);
  const std::size_t valueStart = static_cast<std::size_t>(p - base) + 1;
  if (valueStart >= size) return ScanStatus::MissingValue;
  const char* valueEnd =
      static_cast<const char*>(std::memchr(base + valueStart, '\n', size - valueStart));
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

char* writeCanonicalCode(char* out, int code) {
  // Every group made is numbered here: the codes files use take three characters.
  if (code >= 0 && code < 1000) {
    out[0] = code >= 100 ? static_cast<char>('0' + code / 100) : ' ';
    out[1] = code >= 10 ? static_cast<char>('0' + code / 10 % 10) : ' ';
    out[2] = static_cast<char>('0' + code % 10);
    return out + 3;
  }
  // Others are written right to left into a buffer and copied at once.
  char text[16];
  char* start = text + sizeof text;
  unsigned value = code < 0 ? static_cast<unsigned>(-code) : static_cast<unsigned>(code);
  do {
    *--start = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value);
  if (code < 0) *--start = '-';
  while (text + sizeof text - start < 3) *--start = ' ';
  return std::copy(start, text + sizeof text, out);
}

void appendCanonicalCode(std::string& out, int code) {
  char text[12];
  out.append(text, writeCanonicalCode(text, code));
}

}  // namespace kx::dxf
