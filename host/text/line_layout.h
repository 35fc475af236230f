#pragma once
// Layout of one line of text: where each glyph goes, where underlines and overlines run, and the
// boxes that justification and extents are computed from.
//
// Coordinates are the text's own: origin at the insertion point (group 10), x along the writing
// direction, y up, in drawing units, before rotation and before the text's plane. Height, width
// factor, oblique angle and the backward / upside-down flags are applied here.

#include <string>
#include <string_view>
#include <vector>

#include "geom/vec.h"
#include "text/font.h"

namespace kx::text {

// A TEXT string with its %% codes worked out: %%u and %%o switch underline and overline, %%d is
// the degree sign, %%p plus-minus, %%c the diameter sign, %%nnn the character with code nnn, %%%
// a percent sign. An unknown code is kept as it is.
// Codes are case-insensitive. %%c gives U+2300; fonts without that glyph draw their slashed O
// (U+00D8) for it. %%nnn takes exactly three digits and reads nnn as a byte of the Western code
// page (1252): 128-159 are its typographic characters (%%128 the euro sign), 0-127 and 160-255
// the Latin-1 characters, and codes above 255 the Unicode code point.
struct DecodedChar {
  char32_t c;
  bool underline = false;
  bool overline = false;
};
std::vector<DecodedChar> decodePercentCodes(std::wstring_view text);

struct TextLook {
  double height = 1;
  double widthFactor = 1;
  double oblique = 0;  // radians, slant to the right for positive angles
  // Both mirror the text within its cell, so the cell, and justification with it, stays where
  // an upright text's would be: backward about the middle of the advance (the first character
  // ends up at the right), upside down about the middle between the descender line and the
  // capitals' top.
  bool backward = false;    // group 71 bit 2: mirrored in x
  bool upsideDown = false;  // group 71 bit 4: mirrored in y
};

struct Box2 {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  double width() const { return xMax - xMin; }
  double height() const { return yMax - yMin; }
};

struct PlacedGlyph {
  char32_t c;
  // Maps the glyph's font coordinates (text height 1, origin at its pen position) to the text's
  // own coordinates: scale, width factor, oblique, mirroring and pen position together.
  geom::Matrix3d toText;
};

struct LineLayout {
  std::vector<PlacedGlyph> glyphs;
  // Underline and overline segments, in the text's own coordinates.
  std::vector<std::pair<geom::Vec2, geom::Vec2>> decorations;
  // Sum of advances (with width factor), i.e. where the next character would start.
  double advance = 0;
  // The box justification works with: x from 0 to the advance, y from the font's descender line
  // to the text height (the top of capitals); mirrored with the text, oblique not applied.
  // Mirroring happens within the cell, so backward and upside down leave it as it is.
  Box2 cell;
  // The box of the ink actually drawn (glyphs and decorations), oblique and mirroring applied.
  // Empty (all zero) for a text with nothing to draw. With an oblique angle it is the box of the
  // slanted glyph boxes, which may be a little wider than the slanted outlines.
  Box2 ink;
};

// Placing a text needs only its boxes and advance; drawing it needs every glyph's placement too.
enum class Glyphs { Place, Skip };
LineLayout layoutLine(const Font& font, const std::vector<DecodedChar>& chars, const TextLook& look,
                      Glyphs glyphs = Glyphs::Place);

}  // namespace kx::text
