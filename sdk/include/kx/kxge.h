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

class KxGeMatrix3d;

class KxGeVector3d {
 public:
  KxGeVector3d() = default;
  KxGeVector3d(double x, double y, double z) : x(x), y(y), z(z) {}

  static const KxGeVector3d kXAxis, kYAxis, kZAxis, kIdentity;

  double length() const { return std::sqrt(x * x + y * y + z * z); }
  double lengthSqrd() const { return x * x + y * y + z * z; }
  double dotProduct(const KxGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
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
  bool isZeroLength(const KxGeTol& tol = KxGeContext::gTol) const {
    return length() <= tol.equalVector();
  }
  bool isEqualTo(const KxGeVector3d& v, const KxGeTol& tol = KxGeContext::gTol) const {
    return (*this - v).length() <= tol.equalVector();
  }
  KxGeVector3d& transformBy(const KxGeMatrix3d& m);

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
  KxGePoint3d& transformBy(const KxGeMatrix3d& m);
  KxGeVector3d asVector() const { return {x, y, z}; }

  KxGePoint3d operator+(const KxGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  KxGePoint3d operator-(const KxGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  KxGeVector3d operator-(const KxGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
  KxGePoint3d& operator+=(const KxGeVector3d& v) { return *this = *this + v; }
  double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
  double& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

  double x = 0, y = 0, z = 0;
};

// An affine transform of 3D space: a 4x4 matrix whose last row is 0 0 0 1.
class KxGeMatrix3d {
 public:
  KxGeMatrix3d() = default;  // identity
  static const KxGeMatrix3d kIdentity;

  // Maps the world system onto the system with `origin` and axes x, y, z: a point given in that
  // system's coordinates comes out in world coordinates.
  KxGeMatrix3d& setCoordSystem(const KxGePoint3d& origin, const KxGeVector3d& xAxis,
                               const KxGeVector3d& yAxis, const KxGeVector3d& zAxis);
  // Maps system 1 onto system 2: a point with coordinates c in system 1 comes out at the point
  // with coordinates c in system 2.
  KxGeMatrix3d& setToAlignCoordSys(const KxGePoint3d& fromOrigin, const KxGeVector3d& fromX,
                                   const KxGeVector3d& fromY, const KxGeVector3d& fromZ,
                                   const KxGePoint3d& toOrigin, const KxGeVector3d& toX,
                                   const KxGeVector3d& toY, const KxGeVector3d& toZ);
  KxGeMatrix3d& setToTranslation(const KxGeVector3d& v);
  KxGeMatrix3d& setToRotation(double angle, const KxGeVector3d& axis,
                              const KxGePoint3d& center = KxGePoint3d::kOrigin);
  KxGeMatrix3d& setToScaling(double scale, const KxGePoint3d& center = KxGePoint3d::kOrigin);
  KxGeMatrix3d inverse() const;
  bool isSingular(const KxGeTol& tol = KxGeContext::gTol) const;
  double det() const;

  static KxGeMatrix3d translation(const KxGeVector3d& v) {
    return KxGeMatrix3d().setToTranslation(v);
  }
  static KxGeMatrix3d rotation(double angle, const KxGeVector3d& axis,
                               const KxGePoint3d& center = KxGePoint3d::kOrigin) {
    return KxGeMatrix3d().setToRotation(angle, axis, center);
  }
  static KxGeMatrix3d alignCoordSys(const KxGePoint3d& fromOrigin, const KxGeVector3d& fromX,
                                    const KxGeVector3d& fromY, const KxGeVector3d& fromZ,
                                    const KxGePoint3d& toOrigin, const KxGeVector3d& toX,
                                    const KxGeVector3d& toY, const KxGeVector3d& toZ) {
    return KxGeMatrix3d().setToAlignCoordSys(fromOrigin, fromX, fromY, fromZ, toOrigin, toX, toY,
                                             toZ);
  }

  KxGeMatrix3d operator*(const KxGeMatrix3d& m) const;  // apply m first, then this
  double operator()(int row, int column) const { return entry[row][column]; }

  double entry[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

inline KxGePoint3d operator*(const KxGeMatrix3d& m, const KxGePoint3d& p) {
  KxGePoint3d q = p;
  return q.transformBy(m);
}
inline KxGeVector3d operator*(const KxGeMatrix3d& m, const KxGeVector3d& v) {
  KxGeVector3d w = v;
  return w.transformBy(m);
}
