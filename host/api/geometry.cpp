// The SDK's geometry constants, and the point helpers of kxed.h.

#include <cmath>
#include <numbers>

#include "kx/kxed.h"
#include "kx/kxge.h"

KxGeTol KxGeContext::gTol;

const KxGeVector3d KxGeVector3d::kXAxis{1, 0, 0};
const KxGeVector3d KxGeVector3d::kYAxis{0, 1, 0};
const KxGeVector3d KxGeVector3d::kZAxis{0, 0, 1};
const KxGeVector3d KxGeVector3d::kIdentity{0, 0, 0};
const KxGePoint3d KxGePoint3d::kOrigin{0, 0, 0};

extern "C" {

void kxutPolar(const double base[3], double angle, double distance, double result[3]) {
  const double x = base[0] + distance * std::cos(angle);
  const double y = base[1] + distance * std::sin(angle);
  const double z = base[2];
  result[0] = x;  // `result` may be `base`
  result[1] = y;
  result[2] = z;
}

double kxutAngle(const double from[3], const double to[3]) {
  double a = std::atan2(to[1] - from[1], to[0] - from[0]);
  if (a < 0) a += 2 * std::numbers::pi;
  // A tiny negative angle rounds up to a full turn, which callers expect as 0.
  return a >= 2 * std::numbers::pi ? 0.0 : a;
}

double kxutDistance(const double from[3], const double to[3]) {
  return std::sqrt((to[0] - from[0]) * (to[0] - from[0]) + (to[1] - from[1]) * (to[1] - from[1]) +
                   (to[2] - from[2]) * (to[2] - from[2]));
}
}
