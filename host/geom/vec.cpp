#include "geom/vec.h"

namespace kx::geom {

Matrix3d Matrix3d::inverse() const {
  const double det = determinant();
  if (std::fabs(det) < 1e-300) return {};
  // Rows of the inverse are the cross products of the columns, divided by the determinant.
  const Vec3 r0 = cross(y_, z_) * (1 / det);
  const Vec3 r1 = cross(z_, x_) * (1 / det);
  const Vec3 r2 = cross(x_, y_) * (1 / det);
  const Vec3 c0{r0.x, r1.x, r2.x}, c1{r0.y, r1.y, r2.y}, c2{r0.z, r1.z, r2.z};
  const Vec3 t{-dot(r0, t_), -dot(r1, t_), -dot(r2, t_)};
  return {c0, c1, c2, t};
}

OcsAxes ocsAxes(Vec3 normal) {
  const Vec3 n = normalized(normal);
  constexpr double kThreshold = 1.0 / 64.0;
  const Vec3 ax = (std::fabs(n.x) < kThreshold && std::fabs(n.y) < kThreshold)
                      ? normalized(cross(Vec3{0, 1, 0}, n))
                      : normalized(cross(Vec3{0, 0, 1}, n));
  const Vec3 ay = normalized(cross(n, ax));
  return {ax, ay, n};
}

Matrix3d ocsToWorld(Vec3 normal) {
  const OcsAxes a = ocsAxes(normal);
  return {a.x, a.y, a.z, {}};
}

Matrix3d worldToOcs(Vec3 normal) {
  return ocsToWorld(normal).inverse();
}

}  // namespace kx::geom
