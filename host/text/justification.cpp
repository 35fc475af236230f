#include "text/justification.h"

#include <cmath>

namespace kx::text {

HorizontalMode Justification::horizontalMode() const {
  return horizontal >= 0 && horizontal <= 5 ? static_cast<HorizontalMode>(horizontal)
                                            : HorizontalMode::Left;
}

VerticalMode Justification::verticalMode() const {
  switch (horizontalMode()) {
    case HorizontalMode::Aligned:
    case HorizontalMode::Fit:
      return VerticalMode::Baseline;
    case HorizontalMode::Middle:
      return VerticalMode::Middle;
    default:
      return vertical >= 0 && vertical <= 3 ? static_cast<VerticalMode>(vertical)
                                            : VerticalMode::Baseline;
  }
}

bool Justification::anchoredAtInsertion() const {
  return horizontalMode() == HorizontalMode::Left && verticalMode() == VerticalMode::Baseline;
}

geom::Vec2 alignmentOffset(const Box2& cell, Justification j) {
  const double start = cell.xMin, end = cell.xMax;
  double along = 0;
  switch (j.horizontalMode()) {
    case HorizontalMode::Left:
      along = 0;
      break;
    case HorizontalMode::Center:
    case HorizontalMode::Middle:
      along = 0.5;
      break;
    case HorizontalMode::Right:
    case HorizontalMode::Aligned:
    case HorizontalMode::Fit:
      along = 1;
      break;
  }
  const double top = cell.yMax, bottom = cell.yMin;
  double y = 0;
  switch (j.verticalMode()) {
    case VerticalMode::Baseline:
      y = 0;
      break;
    case VerticalMode::Bottom:
      y = bottom;
      break;
    case VerticalMode::Middle:
      y = top / 2;
      break;
    case VerticalMode::Top:
      y = top;
      break;
  }
  return {start + along * (end - start), y};
}

geom::Vec2 rotated(geom::Vec2 v, double rotation) {
  const double c = std::cos(rotation), s = std::sin(rotation);
  return {v.x * c - v.y * s, v.x * s + v.y * c};
}

geom::Vec2 insertionFromAlignment(geom::Vec2 alignment, geom::Vec2 offset, double rotation) {
  return alignment - rotated(offset, rotation);
}

std::optional<BetweenPoints> fitBetween(geom::Vec2 from, geom::Vec2 to, double advance,
                                        const TextLook& look, bool fit) {
  const geom::Vec2 d = to - from;
  const double distance = d.length();
  if (!(distance > 0) || !(advance > 0) || !std::isfinite(distance) || !std::isfinite(advance))
    return std::nullopt;
  const double scale = distance / advance;
  BetweenPoints out;
  out.height = fit ? look.height : look.height * scale;
  out.widthFactor = fit ? look.widthFactor * scale : look.widthFactor;
  out.rotation = std::atan2(d.y, d.x);
  return out;
}

}  // namespace kx::text
