// Justification arithmetic: where the alignment point sits on a text, and aligned and fit texts.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "text/justification.h"

namespace {

using kx::geom::Vec2;
using namespace kx::text;

void expectNear(Vec2 a, Vec2 b, double tolerance = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
}

// A text of height 2 and advance 10 whose font's descender is a quarter of the height.
constexpr Box2 kCell{0, -0.5, 10, 2};

TEST(Justification, AlignmentPointsOnTheCellForEveryMode) {
  struct Case {
    int h, v;
    Vec2 offset;
  };
  const Case cases[] = {
      {0, 0, {0, 0}},
      {1, 0, {5, 0}},
      {2, 0, {10, 0}},
      {3, 0, {10, 0}},
      {4, 0, {5, 1}},
      {5, 0, {10, 0}},
      {0, 1, {0, -0.5}},
      {1, 1, {5, -0.5}},
      {2, 1, {10, -0.5}},
      {0, 2, {0, 1}},
      {1, 2, {5, 1}},
      {2, 2, {10, 1}},
      {0, 3, {0, 2}},
      {1, 3, {5, 2}},
      {2, 3, {10, 2}},
      // Aligned and fit sit on the baseline and middle in the middle, whatever 73 says.
      {3, 3, {10, 0}},
      {5, 1, {10, 0}},
      {4, 3, {5, 1}},
      // Modes a CAD program does not know count as left and baseline.
      {9, 7, {0, 0}},
      {-1, -2, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "72=" << c.h << " 73=" << c.v);
    expectNear(alignmentOffset(kCell, {c.h, c.v}), c.offset);
  }
  EXPECT_TRUE((Justification{0, 0}.anchoredAtInsertion()));
  EXPECT_TRUE((Justification{7, 9}.anchoredAtInsertion()));
  EXPECT_FALSE((Justification{0, 1}.anchoredAtInsertion()));
  EXPECT_FALSE((Justification{3, 0}.anchoredAtInsertion()));
  EXPECT_FALSE((Justification{4, 0}.anchoredAtInsertion()));
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

TEST(Justification, MTextAttachmentFractions) {
  // Rows run down from the top, columns left to right; anything else is top-left.
  const AttachmentFractions middleRight = attachmentFractions(6);
  EXPECT_EQ(middleRight.fromLeft, 1);
  EXPECT_EQ(middleRight.fromTop, 0.5);
  const AttachmentFractions bottomCenter = attachmentFractions(8);
  EXPECT_EQ(bottomCenter.fromLeft, 0.5);
  EXPECT_EQ(bottomCenter.fromTop, 1);
  for (int bad : {0, 10, -5}) {
    EXPECT_EQ(attachmentFractions(bad).fromLeft, 0) << bad;
    EXPECT_EQ(attachmentFractions(bad).fromTop, 0) << bad;
  }
}

}  // namespace
