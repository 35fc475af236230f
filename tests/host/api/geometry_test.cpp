#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "kx/kxed.h"
#include "kx/kxge.h"
#include "support/sdk_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;

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
