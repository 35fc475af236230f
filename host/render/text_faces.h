#pragma once
// Fonts of texts as faces a vector picture can write as text (so a reader can search and select
// it), where the glyph comes from a font file: each text font's primary face, with the size that
// makes its capitals one text height tall.

#include <memory>
#include <string>
#include <unordered_map>

#include "text/font.h"
#include "text/font_face.h"

namespace kx::render {

struct TextFace {
  const text::FontFace* face = nullptr;  // kept alive by the font it belongs to
  std::string family;                    // as the font file names it
  double emPerHeight = 1;                // the font size, in ems, of a text of height 1
};

class TextFaces {
 public:
  // The face that draws `c` of `font` as text; null when the glyph is not the primary face's
  // (a fallback, a substitute or a box), which is then drawn as its outline.
  const TextFace* faceFor(const std::shared_ptr<const text::Font>& font, char32_t c);

 private:
  struct Entry {
    std::shared_ptr<const text::Font> keep;  // the key stays valid while it is cached
    std::unique_ptr<TextFace> face;          // null: the font has no face to write text with
  };
  std::unordered_map<const text::Font*, Entry> faces_;
};

}  // namespace kx::render
