#pragma once
// Curves flattened into points: arcs, polyline bulges, ellipses and splines. Pictures are fitted
// after the scene is built, so curves are cut by angle, fine enough for a curve as wide as the
// picture.

#include <span>
#include <vector>

#include "geom/vec.h"

namespace kx::render {

using Points3 = std::vector<geom::Vec3>;

// Angle of one flattening step (radians).
inline constexpr double kArcStep = 3.14159265358979323846 / 90;

// Points of the arc from `start` to `end` (radians, counter-clockwise; end is taken past start),
// both ends included, at height z.
Points3 arcPoints(geom::Vec2 center, double radius, double start, double end, double z = 0);

// Appends the points after `from` of the polyline segment from `from` to `to` with `bulge` (the
// tangent of a quarter of the included angle, negative for clockwise), `to` included.
void appendBulgeSegment(Points3& out, geom::Vec3 from, geom::Vec3 to, double bulge);

// Points of an ellipse from parameter `start` to `end` (radians, counter-clockwise about
// `normal`); the minor axis is the major one turned a quarter about the normal, times `ratio`.
Points3 ellipsePoints(geom::Vec3 center, geom::Vec3 majorAxis, double ratio, double start,
                      double end, geom::Vec3 normal = {0, 0, 1});

// Points of a B-spline (rational when `weights` has a weight per control point). Knots that do
// not fit the degree and control points give the control polygon instead.
Points3 splinePoints(int degree, std::span<const double> knots,
                     std::span<const geom::Vec3> controlPoints, std::span<const double> weights);

// A smooth curve through every one of `points` (a spline-fit leader's path), each span a cubic
// whose tangents at its ends run from the point before to the point after.
Points3 curveThrough(const Points3& points);

}  // namespace kx::render
