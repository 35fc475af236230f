#include "commands/layout/readable_angle.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTolerance = 1e-6;

}  // namespace

double normalizedRotation(double rotation) {
  double r = std::fmod(rotation, 2 * kPi);
  if (r < 0) r += 2 * kPi;
  return r >= 2 * kPi ? 0.0 : r;
}

double readableRotation(double rotation) {
  if (rotation > kPi / 2 + kTolerance && rotation < kPi + kTolerance) return rotation + kPi;
  if (rotation > kPi + kTolerance && rotation < 3 * kPi / 2 + kTolerance) return rotation - kPi;
  return rotation;
}
