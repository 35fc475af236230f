#pragma once
// Geometry value types: points, vectors and 3D transforms, with the host's global tolerance.

#include <cmath>

class KxGeTol {
 public:
  KxGeTol() = default;
  KxGeTol(double point, double vector) : equalPoint_(point), equalVector_(vector) {}
  double equalPoint() const { return equalPoint_; }
  double equalVector() const { return equalVector_; }
  void setEqualPoint(double value) { equalPoint_ = value; }
  void setEqualVector(double value) { equalVector_ = value; }

 private:
  double equalPoint_ = 1e-10;
  double equalVector_ = 1e-12;
};

struct KxGeContext {
  static KxGeTol gTol;  // the host's global tolerance
};

class KxGeVector3d {
 public:
  KxGeVector3d() = default;
  KxGeVector3d(double x, double y, double z) : x(x), y(y), z(z) {}

  static const KxGeVector3d kXAxis, kYAxis, kZAxis, kIdentity;

  double length() const { return std::sqrt(x * x + y * y + z * z); }
  KxGeVector3d crossProduct(const KxGeVector3d& v) const {
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
  }
  // A vector shorter than the tolerance is left as it is.
  KxGeVector3d normal(const KxGeTol& tol = KxGeContext::gTol) const {
    KxGeVector3d v = *this;
    return v.normalize(tol);
  }
  KxGeVector3d& normalize(const KxGeTol& tol = KxGeContext::gTol) {
    const double l = length();
    if (l > tol.equalVector()) {
      x /= l;
      y /= l;
      z /= l;
    }
    return *this;
  }
  bool isEqualTo(const KxGeVector3d& v, const KxGeTol& tol = KxGeContext::gTol) const {
    return (*this - v).length() <= tol.equalVector();
  }

  KxGeVector3d operator+(const KxGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  KxGeVector3d operator-(const KxGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  KxGeVector3d operator-() const { return {-x, -y, -z}; }
  KxGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
  double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
  double& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

  double x = 0, y = 0, z = 0;
};

class KxGePoint3d {
 public:
  KxGePoint3d() = default;
  KxGePoint3d(double x, double y, double z) : x(x), y(y), z(z) {}

  static const KxGePoint3d kOrigin;

  double distanceTo(const KxGePoint3d& p) const { return (*this - p).length(); }
  bool isEqualTo(const KxGePoint3d& p, const KxGeTol& tol = KxGeContext::gTol) const {
    return distanceTo(p) <= tol.equalPoint();
  }
  KxGeVector3d asVector() const { return {x, y, z}; }

  KxGePoint3d operator+(const KxGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  KxGePoint3d operator-(const KxGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  KxGeVector3d operator-(const KxGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
  KxGePoint3d& operator+=(const KxGeVector3d& v) { return *this = *this + v; }
  double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
  double& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

  double x = 0, y = 0, z = 0;
};
