#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "kx/kxed.h"
#include "kx/kxge.h"
#include "support/sdk_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;

void expectNear(const KxGePoint3d& p, double x, double y, double z) {
  EXPECT_NEAR(p.x, x, 1e-9);
  EXPECT_NEAR(p.y, y, 1e-9);
  EXPECT_NEAR(p.z, z, 1e-9);
}

TEST(GeometryTest, RotationAboutAxisThroughPoint) {
  // A quarter turn about z through (1, 1, 0) takes (2, 1, 0) to (1, 2, 0).
  expectNear(
      KxGeMatrix3d::rotation(kPi / 2, KxGeVector3d::kZAxis, {1, 1, 0}) * KxGePoint3d(2, 1, 0), 1, 2,
      0);
  // A third of a turn about the space diagonal cycles the axes: x -> y -> z.
  const KxGeMatrix3d r = KxGeMatrix3d::rotation(2 * kPi / 3, {1, 1, 1});
  expectNear(r * KxGePoint3d(1, 0, 0), 0, 1, 0);
  expectNear(r * KxGePoint3d(0, 0, 1), 1, 0, 0);
  EXPECT_NEAR(r.det(), 1, 1e-12);
  // Vectors turn but do not move with the centre.
  const KxGeVector3d v =
      KxGeMatrix3d::rotation(kPi, KxGeVector3d::kYAxis, {5, 5, 5}) * KxGeVector3d(1, 0, 0);
  EXPECT_NEAR(v.x, -1, 1e-12);
  EXPECT_NEAR(v.y, 0, 1e-12);
}

TEST(GeometryTest, ComposeInvertAndScale) {
  const KxGeMatrix3d scale = KxGeMatrix3d().setToScaling(2, {1, 0, 0});
  expectNear(scale * KxGePoint3d(2, 1, 0), 3, 2, 0);
  EXPECT_NEAR(scale.det(), 8, 1e-12);

  // operator* applies the right-hand matrix first.
  const KxGeMatrix3d move = KxGeMatrix3d::translation({10, 0, 0});
  expectNear((move * scale) * KxGePoint3d(2, 1, 0), 13, 2, 0);
  expectNear((scale * move) * KxGePoint3d(2, 1, 0), 23, 2, 0);

  const KxGeMatrix3d m = move * KxGeMatrix3d::rotation(0.7, {0.2, -1, 3}, {4, 5, 6}) * scale;
  const KxGeMatrix3d round = m.inverse() * m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(round(r, c), r == c ? 1 : 0, 1e-12);

  KxGeMatrix3d flat = KxGeMatrix3d().setToScaling(0);
  EXPECT_TRUE(flat.isSingular());
  EXPECT_FALSE(m.isSingular());
}

TEST(GeometryTest, CoordinateSystems) {
  // A system at (1, 2, 3) turned a quarter about z: its (1, 0, 0) is world (1, 3, 3).
  const KxGePoint3d o(1, 2, 3);
  const KxGeVector3d x(0, 1, 0), y(-1, 0, 0), z(0, 0, 1);
  expectNear(KxGeMatrix3d().setCoordSystem(o, x, y, z) * KxGePoint3d(1, 0, 0), 1, 3, 3);

  // Aligning world onto it moves a world point to the point with the same coordinates there;
  // aligning back undoes it.
  const KxGePoint3d w = KxGePoint3d::kOrigin;
  const KxGeMatrix3d to = KxGeMatrix3d::alignCoordSys(w, KxGeVector3d::kXAxis, KxGeVector3d::kYAxis,
                                                      KxGeVector3d::kZAxis, o, x, y, z);
  expectNear(to * KxGePoint3d(2, 0, 1), 1, 4, 4);
  const KxGeMatrix3d back = KxGeMatrix3d::alignCoordSys(o, x, y, z, w, KxGeVector3d::kXAxis,
                                                        KxGeVector3d::kYAxis, KxGeVector3d::kZAxis);
  expectNear(back * (to * KxGePoint3d(-3, 7, 2)), -3, 7, 2);
}

TEST(GeometryTest, PolarAngleDistance) {
  const double base[3] = {1, 1, 5};
  double p[3];
  kxutPolar(base, kPi / 2, 2, p);
  EXPECT_NEAR(p[0], 1, 1e-12);
  EXPECT_NEAR(p[1], 3, 1e-12);
  EXPECT_EQ(p[2], 5);
  // Angles run 0..2pi in the XY plane; z does not count for the angle but does for distance.
  const double below[3] = {1, 0, 0};
  EXPECT_NEAR(kxutAngle(base, below), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(kxutAngle(base, p), kPi / 2, 1e-12);
  const double tiny[3] = {2, 1 - 1e-17, 0};
  EXPECT_EQ(kxutAngle(base, tiny), 0.0);
  const double far[3] = {4, 5, 5 + 12};
  EXPECT_NEAR(kxutDistance(base, far), 13, 1e-12);
}

class PrintfTest : public kx::test::SdkTest {};

TEST_F(PrintfTest, WideStringsNumbersAndWidths) {
  const wchar_t* name = L"Gr\u00fc\u00dfe";
  kxutPrintf(L"%s: %d items, %5.2f%% [%-4s|%3s] %x %c %hs %lf %g\n", name, 42, 3.14159, L"ab", L"z",
             255u, L'\u03a9', "n\xc3\xa4rrow", 2.5, 1e-5);
  EXPECT_EQ(printed,
            L"Gr\u00fc\u00dfe: 42 items,  3.14% [ab  |  z] ff \u03a9 n\u00e4rrow 2.500000 1e-05\n");

  printed.clear();
  kxutPrintf(L"%.2s|%*d|%ld|%lld", L"abcdef", 4, 7, -5L, 1LL << 40);
  EXPECT_EQ(printed, L"ab|   7|-5|1099511627776");
}

}  // namespace
