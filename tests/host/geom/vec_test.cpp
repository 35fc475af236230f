// Coordinate systems of entities: the arbitrary-axis rule and transforms that undo each other.

#include <gtest/gtest.h>

#include "geom/vec.h"

namespace {

using kx::geom::Matrix3d;
using kx::geom::Vec3;

void expectNear(Vec3 a, Vec3 b) {
  EXPECT_NEAR(a.x, b.x, 1e-12);
  EXPECT_NEAR(a.y, b.y, 1e-12);
  EXPECT_NEAR(a.z, b.z, 1e-12);
}

TEST(Geometry, ObjectCoordinateSystemsFollowTheArbitraryAxisRule) {
  // The world Z normal gives the world axes.
  const auto world = kx::geom::ocsAxes({0, 0, 1});
  expectNear(world.x, {1, 0, 0});
  expectNear(world.y, {0, 1, 0});
  // A normal pointing down mirrors x, as drawings mirrored in a CAD program show.
  const auto down = kx::geom::ocsAxes({0, 0, -1});
  expectNear(down.x, {-1, 0, 0});
  expectNear(down.y, {0, 1, 0});
  // Near the world Z axis the world Y axis is used to build x.
  const auto nearZ = kx::geom::ocsAxes({0.001, 0, 1});
  EXPECT_NEAR(nearZ.x.y, 0.0, 1e-9);
  const auto alongX = kx::geom::ocsAxes({1, 0, 0});
  expectNear(alongX.x, {0, 1, 0});
  expectNear(alongX.y, {0, 0, 1});
}

TEST(Geometry, TransformsComposeAndInvert) {
  const Matrix3d m =
      Matrix3d::translation({5, -2, 1}) * Matrix3d::rotationZ(0.7) * Matrix3d::scaling(2, 3, 1);
  const Vec3 p{1.5, -4, 2};
  expectNear(m.inverse().apply(m.apply(p)), p);
  expectNear(Matrix3d::rotationZ(3.14159265358979323846 / 2).apply({1, 0, 0}), {0, 1, 0});
  const Vec3 normal{0.3, -0.5, 0.8};
  expectNear(kx::geom::worldToOcs(normal).apply(kx::geom::ocsToWorld(normal).apply(p)), p);
}

}  // namespace
