#pragma once
// Curves of glyph outlines as chords: every point of the curve lies within the tolerance of the
// chords drawn for it.

#include "text/font.h"

namespace kx::text {

// Append the chords of a quadratic (conic) or cubic Bezier curve starting at contour.back(),
// which must exist; the curve's end point is the last point appended. At most 256 chords per
// curve, however small the tolerance.
void appendQuadratic(Contour& contour, geom::Vec2 control, geom::Vec2 to, double tolerance);
void appendCubic(Contour& contour, geom::Vec2 control1, geom::Vec2 control2, geom::Vec2 to,
                 double tolerance);

}  // namespace kx::text
