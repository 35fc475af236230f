#pragma once
// Splits the text of an ASCII DXF file into its groups: a group-code line, then a value line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kx::dxf {

struct RawTag {
  int code = 0;
  std::size_t codeOffset = 0;  // start of the group-code line
  std::size_t valueOffset = 0;
  std::size_t valueLength = 0;
  std::size_t next = 0;  // start of the line after the value
  std::uint8_t codeWidth = 0;
  bool codeCR = false;
  bool valueHasLineEnd = true;  // false when the value is the last line and has no line end
};

enum class ScanStatus {
  Ok,
  End,           // no more text
  BadCode,       // the group-code line is not a group code
  MissingValue,  // the text ends after a group-code line
};

class TagScanner {
 public:
  explicit TagScanner(std::string_view text, std::size_t position = 0)
      : text_(text), pos_(position) {}

  ScanStatus next(RawTag& tag);
  std::size_t position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_;
};

// 1-based line number of the byte at `offset`; for messages only (it counts from the start).
std::size_t lineNumberAt(std::string_view text, std::size_t offset);

// The usual spelling of a group-code line: right-aligned in three columns ("  0", " 10", "100").
void appendCanonicalCode(std::string& out, int code);
// The same written at `out`, which has room for 12 characters; returns the end.
char* writeCanonicalCode(char* out, int code);

}  // namespace kx::dxf
