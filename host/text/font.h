#pragma once
// Fonts of text styles: glyph metrics and outlines, in units of the text height.
//
// A text of height h draws a capital letter h tall: every length here is for a text of height 1,
// measured from the baseline, x along the writing direction, before width factor and oblique.
// Chinese, Japanese and Korean characters come from the CJK font, scaled so that a typical
// ideograph's ink runs from the baseline to 1: a Chinese character of height 2.5 is about 2.5
// tall, standing on the baseline beside the capitals, as shape-font big fonts draw it.
// A character no font has is a hollow box 0.7 by 1 with advance 0.8; a font file that cannot be
// read gives the substitute, and with no usable font at all every glyph is such a box.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geom/vec.h"

namespace kx::text {

struct GlyphMetrics {
  double advance = 0;  // pen advance to the next glyph
  // Box of the glyph's ink relative to its pen position; all zero for blank glyphs.
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool hasInk() const { return xMax > xMin && yMax > yMin; }
};

// A glyph's outline flattened into closed contours (the last point is not repeated).
using Contour = std::vector<geom::Vec2>;

class Font {
 public:
  virtual ~Font() = default;
  virtual GlyphMetrics metrics(char32_t c) const = 0;
  // Contours of the glyph at its pen position; curves flattened to within `tolerance` (in
  // text-height units). Blank glyphs have none.
  virtual std::vector<Contour> outline(char32_t c, double tolerance) const = 0;
  // Kerning between two neighbouring glyphs, added to the first one's advance.
  virtual double kerning(char32_t left, char32_t right) const = 0;
  // The font files in use (primary first, then the CJK fallback), for messages and tests.
  virtual std::string description() const = 0;
  // Depth of the font's descender line below the baseline (negative): "bottom" justification.
  virtual double descender() const = 0;
  // Underline and overline positions and thickness, used by %%u / %%o and \L / \O.
  virtual double underlinePosition() const = 0;  // below the baseline, negative
  virtual double overlinePosition() const = 0;   // above the capitals
  virtual double lineThickness() const = 0;
};

// Resolves the fonts of text styles and MTEXT font codes, once per name, process-wide.
class FontLibrary {
 public:
  static FontLibrary& instance();

  // The font of a text style: its font file (STYLE group 3, e.g. "arial.ttf", "txt", "romans.shx")
  // and big font (group 4, e.g. "gbcbig.shx"). TrueType names find the named family or a
  // metric-compatible one; shape-font names and anything missing find the substitute; Chinese,
  // Japanese and Korean characters come from a CJK font whatever the style says.
  // Only the families scripts/setup installs are ever chosen (Liberation Sans/Serif/Mono for
  // Arial/Times New Roman/Courier New, DejaVu, WenQuanYi Micro Hei for CJK system fonts), so a
  // drawing measures the same on every machine. A full path to a readable font file is used as
  // it is; a path that is not here resolves by its file name.
  std::shared_ptr<const Font> styleFont(std::string_view fontFile, std::string_view bigFont);
  // The font of an MTEXT \F code: a family name ("Arial") with bold and italic, or a shape font
  // file name ("romans.shx").
  std::shared_ptr<const Font> familyFont(std::string_view family, bool bold, bool italic);

  // The family used in place of shape fonts and missing fonts: Liberation Sans, or the
  // environment variable KX_SHX_FONT when set. A family name, an installed font's file name or
  // the path of a font file. Fonts handed out before keep the substitute they were made with.
  void setSubstituteFamily(std::string family);

 private:
  FontLibrary();
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace kx::text
