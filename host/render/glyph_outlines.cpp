#include "render/glyph_outlines.h"

#include <algorithm>
#include <cmath>

namespace kx::render {
namespace {

// Tolerances are powers of two between these, a third of a pixel or finer.
constexpr int kFinest = -12;   // 1/4096 of the text height
constexpr int kCoarsest = -3;  // 1/8 of the text height

}  // namespace

const std::vector<text::Contour>& GlyphOutlines::outline(
    const std::shared_ptr<const text::Font>& font, char32_t c, double pixel) {
  const double wanted = pixel / 3;
  const int step =
      std::isfinite(wanted) && wanted > 0
          ? std::clamp(static_cast<int>(std::floor(std::log2(wanted))), kFinest, kCoarsest)
          : kCoarsest;
  auto key = std::make_tuple(font, c, step);
  auto it = outlines_.find(key);
  if (it == outlines_.end())
    it = outlines_.emplace(std::move(key), font->outline(c, std::ldexp(1.0, step))).first;
  return it->second;
}

}  // namespace kx::render
