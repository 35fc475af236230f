#include "render/scene.h"

#include <algorithm>
#include <cmath>

namespace kx::render {
namespace {

constexpr std::size_t kPointsPerGlyph = 8;

}  // namespace

void Extents::add(geom::Vec2 p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
  if (empty) {
    xMin = xMax = p.x;
    yMin = yMax = p.y;
    empty = false;
    return;
  }
  xMin = std::min(xMin, p.x);
  xMax = std::max(xMax, p.x);
  yMin = std::min(yMin, p.y);
  yMax = std::max(yMax, p.y);
}

void Scene::add(Primitive p) {
  std::size_t n = 0;
  for (const Polyline2& c : p.contours) n += c.size();
  n += p.glyphs.size() * kPointsPerGlyph;
  if (n == 0 && p.kind != PrimitiveKind::ClipEnd) return;
  points_ += n;
  primitives_.push_back(std::move(p));
}

Extents Scene::extents() const {
  ExtentsSink sink;
  for (const Primitive& p : primitives_) sink.measure(p);
  return sink.extents();
}

void ExtentsSink::measure(const Primitive& p) {
  Extents& e = extents_;
  if (p.kind == PrimitiveKind::ClipEnd) {
    clipDepth_ = std::max(clipDepth_ - 1, 0);
    return;
  }
  if (clipDepth_ > 0) return;
  if (p.kind == PrimitiveKind::ClipBegin) ++clipDepth_;
  if (p.font)
    for (const GlyphPlacement& g : p.glyphs) {
      const text::GlyphMetrics m = p.font->metrics(g.c);
      if (!m.hasInk()) continue;
      for (const geom::Vec2 corner : {geom::Vec2{m.xMin, m.yMin}, geom::Vec2{m.xMax, m.yMin},
                                      geom::Vec2{m.xMax, m.yMax}, geom::Vec2{m.xMin, m.yMax}})
        e.add(g.apply(corner));
    }
  // Rays and lines without ends count by their base point.
  if (p.unbounded != Unbounded::No) {
    if (!p.contours.empty() && !p.contours[0].empty()) e.add(p.contours[0][0]);
    return;
  }
  const double half = p.kind == PrimitiveKind::Stroke ? p.worldWidth / 2 : 0;
  for (const Polyline2& c : p.clip.empty() ? p.contours : p.clip)
    for (geom::Vec2 v : c) {
      e.add({v.x - half, v.y - half});
      e.add({v.x + half, v.y + half});
    }
}

}  // namespace kx::render
