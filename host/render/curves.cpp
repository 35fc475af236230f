#include "render/curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kx::render {
namespace {

using geom::Vec2;
using geom::Vec3;

constexpr double kTwoPi = 2 * std::numbers::pi;

// Sweep of an arc from `start` to `end` counter-clockwise, in (0, 2 pi]; a full turn when equal.
double sweepOf(double start, double end) {
  double sweep = std::fmod(end - start, kTwoPi);
  if (sweep <= 1e-12) sweep += kTwoPi;
  return sweep;
}

int stepsFor(double sweep) {
  return std::clamp(static_cast<int>(std::ceil(std::abs(sweep) / kArcStep)), 2, 4096);
}

}  // namespace

Points3 arcPoints(Vec2 center, double radius, double start, double end, double z) {
  Points3 out;
  if (!std::isfinite(start) || !std::isfinite(end)) return out;
  const double sweep = sweepOf(start, end);
  const int steps = stepsFor(sweep);
  out.reserve(static_cast<std::size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) {
    const double a = start + sweep * i / steps;
    out.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a), z});
  }
  return out;
}

void appendBulgeSegment(Points3& out, Vec3 from, Vec3 to, double bulge) {
  const double chord = (to.xy() - from.xy()).length();
  if (std::abs(bulge) < 1e-9 || chord < 1e-12 || !std::isfinite(bulge)) {
    out.push_back(to);
    return;
  }
  // Included angle 4 atan(bulge); the centre sits on the chord's perpendicular bisector.
  const double included = 4 * std::atan(bulge);
  const double radius = chord / (2 * std::sin(std::abs(included) / 2));
  const Vec2 mid = (from.xy() + to.xy()) * 0.5;
  const Vec2 dir = (to.xy() - from.xy()) * (1 / chord);
  const Vec2 left{-dir.y, dir.x};
  // Distance from the chord's middle to the centre: towards the left of the chord for a
  // counter-clockwise arc of less than half a turn, past the chord for more than half a turn.
  const double offset = radius * std::cos(std::abs(included) / 2) * (bulge > 0 ? 1 : -1);
  const Vec2 center = mid + left * offset;
  const double a0 = std::atan2(from.y - center.y, from.x - center.x);
  const int steps = stepsFor(included);
  for (int i = 1; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    if (i == steps) {
      out.push_back(to);
      break;
    }
    const double a = a0 + included * t;
    out.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a),
                   from.z + (to.z - from.z) * t});
  }
}

Points3 curveThrough(const Points3& points) {
  constexpr int kStepsPerSpan = 24;
  if (points.size() < 3) return points;
  Points3 out{points.front()};
  const std::size_t n = points.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const Vec3 p1 = points[i], p2 = points[i + 1];
    // Past the ends the path goes on straight, so the end spans bend only toward their neighbour.
    const Vec3 p0 = i > 0 ? points[i - 1] : p1 * 2 - p2;
    const Vec3 p3 = i + 2 < n ? points[i + 2] : p2 * 2 - p1;
    for (int k = 1; k <= kStepsPerSpan; ++k) {
      const double t = static_cast<double>(k) / kStepsPerSpan, t2 = t * t, t3 = t2 * t;
      out.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 +
                     (p1 * 3 - p0 - p2 * 3 + p3) * t3) *
                    0.5);
    }
  }
  return out;
}

Points3 ellipsePoints(Vec3 center, Vec3 majorAxis, double ratio, double start, double end,
                      Vec3 normal) {
  Points3 out;
  if (!std::isfinite(start) || !std::isfinite(end)) return out;
  const Vec3 minor = cross(geom::normalized(normal), majorAxis) * ratio;
  const double sweep = sweepOf(start, end);
  const int steps = stepsFor(sweep);
  out.reserve(static_cast<std::size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) {
    const double t = start + sweep * i / steps;
    out.push_back(center + majorAxis * std::cos(t) + minor * std::sin(t));
  }
  return out;
}

Points3 splinePoints(int degree, std::span<const double> knots, std::span<const Vec3> controlPoints,
                     std::span<const double> weights) {
  const std::size_t n = controlPoints.size();
  const bool rational = weights.size() == n;
  const auto p = static_cast<std::size_t>(std::max(degree, 1));
  const bool usable = n > p && knots.size() == n + p + 1 &&
                      std::is_sorted(knots.begin(), knots.end()) && knots[p] < knots[n];
  if (!usable) return Points3(controlPoints.begin(), controlPoints.end());

  // de Boor's algorithm in homogeneous coordinates.
  struct H {
    Vec3 v;
    double w;
  };
  const auto evaluate = [&](double u) {
    std::size_t span = p;
    while (span + 1 < n && knots[span + 1] <= u) ++span;
    std::vector<H> d(p + 1);
    for (std::size_t j = 0; j <= p; ++j) {
      const std::size_t i = span - p + j;
      const double w = rational ? weights[i] : 1;
      d[j] = {controlPoints[i] * w, w};
    }
    for (std::size_t r = 1; r <= p; ++r)
      for (std::size_t j = p; j >= r; --j) {
        const std::size_t i = span - p + j;
        const double den = knots[i + p + 1 - r] - knots[i];
        const double a = den == 0 ? 0 : (u - knots[i]) / den;
        d[j] = {d[j - 1].v * (1 - a) + d[j].v * a, d[j - 1].w * (1 - a) + d[j].w * a};
      }
    return d[p].w == 0 ? d[p].v : d[p].v * (1 / d[p].w);
  };

  const double u0 = knots[p], u1 = knots[n];
  const std::size_t steps = std::min<std::size_t>(16 * n, 4096);
  Points3 out;
  out.reserve(steps + 1);
  for (std::size_t i = 0; i <= steps; ++i) out.push_back(evaluate(u0 + (u1 - u0) * i / steps));
  return out;
}

}  // namespace kx::render
