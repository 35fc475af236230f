// Justification arithmetic: where the alignment point sits on a text, and aligned and fit texts.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "text/justification.h"

namespace {

using kx::geom::Vec2;
using namespace kx::text;

testing::AssertionResult near(Vec2 a, Vec2 b) {
  if (std::fabs(a.x - b.x) <= 1e-12 && std::fabs(a.y - b.y) <= 1e-12)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "(" << a.x << ", " << a.y << ") is not (" << b.x << ", " << b.y << ")";
}

// A text of height 2 and advance 10 whose font's descender is a quarter of the height.
constexpr Box2 kCell{0, -0.5, 10, 2};

TEST(Justification, AlignmentPointsOnTheCellForEveryMode) {
  // Left, center, right on the baseline, descender line, half and full cap height.
  const double x[] = {0, 5, 10}, y[] = {0, -0.5, 1, 2};
  for (int h = 0; h < 3; ++h)
    for (int v = 0; v < 4; ++v)
      EXPECT_TRUE(near(alignmentOffset(kCell, {h, v}), {x[h], y[v]})) << "72=" << h << " 73=" << v;
  // Aligned and fit sit on the baseline and middle in the middle, whatever 73 says; modes a CAD
  // program does not know count as left and baseline.
  for (const Justification j : {Justification{3, 0}, {3, 3}, {5, 0}, {5, 1}})
    EXPECT_TRUE(near(alignmentOffset(kCell, j), {10, 0})) << j.horizontal << "/" << j.vertical;
  EXPECT_TRUE(near(alignmentOffset(kCell, {4, 0}), {5, 1}));
  EXPECT_TRUE(near(alignmentOffset(kCell, {4, 3}), {5, 1}));
  EXPECT_TRUE(near(alignmentOffset(kCell, {9, 7}), {0, 0}));
  EXPECT_TRUE(near(alignmentOffset(kCell, {-1, -2}), {0, 0}));
  // Only left/baseline (and modes it does not know) is anchored at the insertion point.
  EXPECT_TRUE((Justification{7, 9}.anchoredAtInsertion()));
  EXPECT_FALSE(
      (Justification{0, 1}.anchoredAtInsertion() || Justification{3, 0}.anchoredAtInsertion()));
}

TEST(Justification, AlignedScalesHeightAndFitScalesWidth) {
  const TextLook look{2, 0.8, 0.1, false, false};
  const auto aligned = fitBetween({1, 1}, {1, 13}, 6, look, false);
  ASSERT_TRUE(aligned);
  EXPECT_DOUBLE_EQ(aligned->height, 4);
  EXPECT_DOUBLE_EQ(aligned->widthFactor, 0.8);
  EXPECT_NEAR(aligned->rotation, std::numbers::pi / 2, 1e-15);

  const auto fit = fitBetween({0, 0}, {-3, 0}, 6, look, true);
  ASSERT_TRUE(fit);
  EXPECT_DOUBLE_EQ(fit->height, 2);
  EXPECT_DOUBLE_EQ(fit->widthFactor, 0.4);
  EXPECT_NEAR(std::fabs(fit->rotation), std::numbers::pi, 1e-15);

  // Nothing to fit: coinciding points, an empty text, or numbers that are not numbers.
  EXPECT_FALSE(fitBetween({2, 2}, {2, 2}, 6, look, false));
  EXPECT_FALSE(fitBetween({0, 0}, {5, 0}, 0, look, true));
  EXPECT_FALSE(fitBetween({0, 0}, {NAN, 0}, 6, look, true));
  EXPECT_FALSE(fitBetween({0, 0}, {5, 0}, INFINITY, look, true));
}

}  // namespace
