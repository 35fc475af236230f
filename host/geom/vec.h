#pragma once
// Points, vectors and affine transforms in two and three dimensions, as value types.

#include <array>
#include <cmath>

namespace kx::geom {

struct Vec2 {
  double x = 0, y = 0;
  friend constexpr Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
  friend constexpr Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
  friend constexpr Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
  friend constexpr Vec2 operator*(double s, Vec2 a) { return {a.x * s, a.y * s}; }
  friend constexpr bool operator==(Vec2, Vec2) = default;
  double length() const { return std::hypot(x, y); }
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
  friend constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend constexpr Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
  friend constexpr Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
  friend constexpr Vec3 operator*(double s, Vec3 a) { return {a.x * s, a.y * s, a.z * s}; }
  friend constexpr bool operator==(Vec3, Vec3) = default;
  double length() const { return std::sqrt(x * x + y * y + z * z); }
  constexpr Vec2 xy() const { return {x, y}; }
};

constexpr double dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// The unit vector along `v`, or `v` itself when it is shorter than `tolerance`.
inline Vec3 normalized(Vec3 v, double tolerance = 1e-12) {
  const double l = v.length();
  return l < tolerance ? v : v * (1.0 / l);
}

// An affine transform: x' = M x + t, stored as three columns and a translation.
class Matrix3d {
 public:
  constexpr Matrix3d() = default;
  constexpr Matrix3d(Vec3 xAxis, Vec3 yAxis, Vec3 zAxis, Vec3 origin)
      : x_(xAxis), y_(yAxis), z_(zAxis), t_(origin) {}

  static Matrix3d translation(Vec3 t) { return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, t}; }
  static Matrix3d scaling(double sx, double sy, double sz) {
    return {{sx, 0, 0}, {0, sy, 0}, {0, 0, sz}, {}};
  }
  // Rotation about the z axis by `angle` radians.
  static Matrix3d rotationZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {{c, s, 0}, {-s, c, 0}, {0, 0, 1}, {}};
  }
  // Maps coordinates given in the system (origin, xAxis, yAxis, zAxis) to the parent system.
  static Matrix3d alignCoordSys(Vec3 origin, Vec3 xAxis, Vec3 yAxis, Vec3 zAxis) {
    return {xAxis, yAxis, zAxis, origin};
  }

  constexpr Vec3 apply(Vec3 p) const { return x_ * p.x + y_ * p.y + z_ * p.z + t_; }
  constexpr Vec3 applyToVector(Vec3 v) const { return x_ * v.x + y_ * v.y + z_ * v.z; }
  // this * other: first other, then this.
  constexpr Matrix3d operator*(const Matrix3d& o) const {
    return {applyToVector(o.x_), applyToVector(o.y_), applyToVector(o.z_), apply(o.t_)};
  }
  // Inverse of a transform whose 3x3 part is invertible; the identity otherwise.
  Matrix3d inverse() const;
  double determinant() const { return dot(x_, cross(y_, z_)); }

  constexpr Vec3 xAxis() const { return x_; }
  constexpr Vec3 yAxis() const { return y_; }
  constexpr Vec3 zAxis() const { return z_; }
  constexpr Vec3 origin() const { return t_; }

 private:
  Vec3 x_{1, 0, 0}, y_{0, 1, 0}, z_{0, 0, 1}, t_{};
};

// The object coordinate system of an entity with extrusion direction `normal` (the DXF arbitrary
// axis algorithm): its x and y axes in world coordinates.
struct OcsAxes {
  Vec3 x, y, z;
};
OcsAxes ocsAxes(Vec3 normal);
// From the OCS of `normal` to world coordinates, and back.
Matrix3d ocsToWorld(Vec3 normal);
Matrix3d worldToOcs(Vec3 normal);

}  // namespace kx::geom
