#pragma once
// Glyph outlines for painting, flattened once per font, character and fineness: a text a few
// pixels high needs a handful of points per glyph, a title across the picture many more.

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "text/font.h"

namespace kx::render {

class GlyphOutlines {
 public:
  // The outline of `c` flattened to within about `pixel` (the size of a pixel in text-height
  // units).
  const std::vector<text::Contour>& outline(const std::shared_ptr<const text::Font>& font,
                                            char32_t c, double pixel);

 private:
  std::map<std::tuple<std::shared_ptr<const text::Font>, char32_t, int>, std::vector<text::Contour>>
      outlines_;
};

}  // namespace kx::render
