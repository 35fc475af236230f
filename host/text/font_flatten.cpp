#include "text/font_flatten.h"

#include <algorithm>
#include <cmath>

namespace kx::text {
namespace {

// A chord over a parameter step h strays at most h^2/8 * max|B''| from the curve, so n equal
// steps keep within the tolerance when n^2 >= max|B''| / (8 tolerance).
int chordsFor(double secondDerivativeBound, double tolerance) {
  const double n = std::ceil(std::sqrt(secondDerivativeBound / (8 * std::max(tolerance, 1e-12))));
  return std::isfinite(n) ? static_cast<int>(std::clamp(n, 1.0, 256.0)) : 256;
}

}  // namespace

void appendQuadratic(Contour& contour, geom::Vec2 control, geom::Vec2 to, double tolerance) {
  const geom::Vec2 p0 = contour.back();
  const int n = chordsFor(2 * (p0 - 2 * control + to).length(), tolerance);
  for (int i = 1; i < n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    contour.push_back(u * u * p0 + 2 * u * t * control + t * t * to);
  }
  contour.push_back(to);
}

void appendCubic(Contour& contour, geom::Vec2 control1, geom::Vec2 control2, geom::Vec2 to,
                 double tolerance) {
  const geom::Vec2 p0 = contour.back();
  // B'' is linear in t, so its largest length is at an end.
  const double bound = 6 * std::max((p0 - 2 * control1 + control2).length(),
                                    (control1 - 2 * control2 + to).length());
  const int n = chordsFor(bound, tolerance);
  for (int i = 1; i < n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    contour.push_back(u * u * u * p0 + 3 * u * u * t * control1 + 3 * u * t * t * control2 +
                      t * t * t * to);
  }
  contour.push_back(to);
}

}  // namespace kx::text
