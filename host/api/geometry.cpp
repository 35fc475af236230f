// The SDK's geometry classes: the parts kxge.h leaves out of line, and the point helpers of
// kxed.h.

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
const KxGeMatrix3d KxGeMatrix3d::kIdentity{};

namespace {

// Columns 0..2 of `m` set to the axes, column 3 to the origin.
void setColumns(KxGeMatrix3d& m, const KxGeVector3d& x, const KxGeVector3d& y,
                const KxGeVector3d& z, const KxGePoint3d& origin) {
  const KxGeVector3d* axes[3] = {&x, &y, &z};
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) m.entry[r][c] = (*axes[c])[r];
  for (int r = 0; r < 3; ++r) m.entry[r][3] = origin[r];
  m.entry[3][0] = m.entry[3][1] = m.entry[3][2] = 0;
  m.entry[3][3] = 1;
}

double det3(const KxGeMatrix3d& m) {
  const auto& e = m.entry;
  return e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) -
         e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0]) +
         e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
}

}  // namespace

KxGeVector3d& KxGeVector3d::transformBy(const KxGeMatrix3d& m) {
  const KxGeVector3d v = *this;
  for (int r = 0; r < 3; ++r)
    (*this)[r] = m.entry[r][0] * v.x + m.entry[r][1] * v.y + m.entry[r][2] * v.z;
  return *this;
}

KxGePoint3d& KxGePoint3d::transformBy(const KxGeMatrix3d& m) {
  const KxGePoint3d p = *this;
  for (int r = 0; r < 3; ++r)
    (*this)[r] = m.entry[r][0] * p.x + m.entry[r][1] * p.y + m.entry[r][2] * p.z + m.entry[r][3];
  return *this;
}

KxGeMatrix3d& KxGeMatrix3d::setCoordSystem(const KxGePoint3d& origin, const KxGeVector3d& xAxis,
                                           const KxGeVector3d& yAxis, const KxGeVector3d& zAxis) {
  setColumns(*this, xAxis, yAxis, zAxis, origin);
  return *this;
}

KxGeMatrix3d& KxGeMatrix3d::setToAlignCoordSys(const KxGePoint3d& fromOrigin,
                                               const KxGeVector3d& fromX, const KxGeVector3d& fromY,
                                               const KxGeVector3d& fromZ,
                                               const KxGePoint3d& toOrigin, const KxGeVector3d& toX,
                                               const KxGeVector3d& toY, const KxGeVector3d& toZ) {
  KxGeMatrix3d from, to;
  from.setCoordSystem(fromOrigin, fromX, fromY, fromZ);
  to.setCoordSystem(toOrigin, toX, toY, toZ);
  // World point -> coordinates in system 1 -> the point with those coordinates in system 2.
  return *this = to * from.inverse();
}

KxGeMatrix3d& KxGeMatrix3d::setToTranslation(const KxGeVector3d& v) {
  *this = KxGeMatrix3d();
  for (int r = 0; r < 3; ++r) entry[r][3] = v[r];
  return *this;
}

KxGeMatrix3d& KxGeMatrix3d::setToRotation(double angle, const KxGeVector3d& axis,
                                          const KxGePoint3d& center) {
  *this = KxGeMatrix3d();
  const double l = axis.length();
  if (l <= KxGeContext::gTol.equalVector()) return *this;  // no axis: nothing turns
  const KxGeVector3d k = axis * (1.0 / l);
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  // Rodrigues: R = c I + s [k]x + t k k^T.
  entry[0][0] = c + t * k.x * k.x;
  entry[0][1] = t * k.x * k.y - s * k.z;
  entry[0][2] = t * k.x * k.z + s * k.y;
  entry[1][0] = t * k.y * k.x + s * k.z;
  entry[1][1] = c + t * k.y * k.y;
  entry[1][2] = t * k.y * k.z - s * k.x;
  entry[2][0] = t * k.z * k.x - s * k.y;
  entry[2][1] = t * k.z * k.y + s * k.x;
  entry[2][2] = c + t * k.z * k.z;
  // The centre stays put: t = center - R center.
  for (int r = 0; r < 3; ++r)
    entry[r][3] =
        center[r] - (entry[r][0] * center.x + entry[r][1] * center.y + entry[r][2] * center.z);
  return *this;
}

KxGeMatrix3d& KxGeMatrix3d::setToScaling(double scale, const KxGePoint3d& center) {
  *this = KxGeMatrix3d();
  for (int r = 0; r < 3; ++r) {
    entry[r][r] = scale;
    entry[r][3] = center[r] * (1 - scale);
  }
  return *this;
}

double KxGeMatrix3d::det() const {
  return det3(*this);
}

bool KxGeMatrix3d::isSingular(const KxGeTol& tol) const {
  return std::abs(det()) <= tol.equalVector();
}

KxGeMatrix3d KxGeMatrix3d::inverse() const {
  const double d = det();
  if (d == 0) return {};  // nothing sensible to give back for a singular transform
  const auto& e = entry;
  KxGeMatrix3d inv;
  // Adjugate of the 3x3 part over its determinant.
  inv.entry[0][0] = (e[1][1] * e[2][2] - e[1][2] * e[2][1]) / d;
  inv.entry[0][1] = (e[0][2] * e[2][1] - e[0][1] * e[2][2]) / d;
  inv.entry[0][2] = (e[0][1] * e[1][2] - e[0][2] * e[1][1]) / d;
  inv.entry[1][0] = (e[1][2] * e[2][0] - e[1][0] * e[2][2]) / d;
  inv.entry[1][1] = (e[0][0] * e[2][2] - e[0][2] * e[2][0]) / d;
  inv.entry[1][2] = (e[0][2] * e[1][0] - e[0][0] * e[1][2]) / d;
  inv.entry[2][0] = (e[1][0] * e[2][1] - e[1][1] * e[2][0]) / d;
  inv.entry[2][1] = (e[0][1] * e[2][0] - e[0][0] * e[2][1]) / d;
  inv.entry[2][2] = (e[0][0] * e[1][1] - e[0][1] * e[1][0]) / d;
  for (int r = 0; r < 3; ++r)
    inv.entry[r][3] =
        -(inv.entry[r][0] * e[0][3] + inv.entry[r][1] * e[1][3] + inv.entry[r][2] * e[2][3]);
  return inv;
}

KxGeMatrix3d KxGeMatrix3d::operator*(const KxGeMatrix3d& m) const {
  KxGeMatrix3d out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += entry[r][k] * m.entry[k][c];
      out.entry[r][c] = sum;
    }
  return out;
}

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
