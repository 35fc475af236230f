#pragma once
// One group of a drawing as the database keeps it: where its value text lives, and enough about its
// group-code line to write that line back exactly as it was read.

#include <cstdint>

namespace kx::dxf {

struct Tag {
  enum Flags : std::uint8_t {
    kOwnedPool = 1,  // value lives in the database's own text pool, not in the file read
    kCodeCR = 2,     // the group-code line ended with CR LF
  };

  std::uint32_t valueOffset = 0;
  std::uint32_t valueLength = 0;
  std::int16_t code = 0;
  // Length of the group-code line's text; the text sits right before the value, followed by its
  // line end. 0 means the line is written in the usual right-aligned form.
  std::uint8_t codeWidth = 0;
  std::uint8_t flags = 0;

  bool owned() const { return flags & kOwnedPool; }
};
static_assert(sizeof(Tag) == 12, "tags of big drawings must stay small");

}  // namespace kx::dxf
