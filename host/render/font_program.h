#pragma once
// The font file of one face, as a PDF embeds it: a face of a collection taken out on its own, and
// TrueType outlines cut down to the glyphs a picture uses (glyph ids kept, so text written with
// them needs no other map).

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace kx::render {

struct FontProgram {
  std::string bytes;
  bool compactOutlines = false;  // CFF outlines (an OpenType file), not TrueType's
};

// Nothing when the bytes are not an sfnt font (or collection) with face `index`.
std::optional<FontProgram> fontProgram(std::string_view file, int index,
                                       const std::set<unsigned>& glyphs);

}  // namespace kx::render
