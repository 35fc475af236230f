// The indexed colour table: the named colours, the hue rings and the greys.

#include <gtest/gtest.h>

#include "render/aci_color.h"

namespace {

using kx::render::aciColor;
using kx::render::Rgb;

TEST(AciColor, StandardTableValues) {
  EXPECT_EQ(aciColor(1), (Rgb{255, 0, 0}));
  EXPECT_EQ(aciColor(2), (Rgb{255, 255, 0}));
  EXPECT_EQ(aciColor(3), (Rgb{0, 255, 0}));
  EXPECT_EQ(aciColor(4), (Rgb{0, 255, 255}));
  EXPECT_EQ(aciColor(5), (Rgb{0, 0, 255}));
  EXPECT_EQ(aciColor(6), (Rgb{255, 0, 255}));
  EXPECT_EQ(aciColor(7), (Rgb{0, 0, 0}));  // white on black screens, black on white paper
  EXPECT_EQ(aciColor(8), (Rgb{128, 128, 128}));
  EXPECT_EQ(aciColor(9), (Rgb{192, 192, 192}));
  // Hue rings: full and half saturation at five brightnesses, 15 degrees per ten indexes.
  EXPECT_EQ(aciColor(10), (Rgb{255, 0, 0}));
  EXPECT_EQ(aciColor(11), (Rgb{255, 127, 127}));
  EXPECT_EQ(aciColor(12), (Rgb{204, 0, 0}));
  EXPECT_EQ(aciColor(13), (Rgb{204, 102, 102}));
  EXPECT_EQ(aciColor(18), (Rgb{76, 0, 0}));
  EXPECT_EQ(aciColor(19), (Rgb{76, 38, 38}));
  EXPECT_EQ(aciColor(20), (Rgb{255, 63, 0}));
  EXPECT_EQ(aciColor(21), (Rgb{255, 159, 127}));
  EXPECT_EQ(aciColor(30), (Rgb{255, 127, 0}));
  EXPECT_EQ(aciColor(50), (Rgb{255, 255, 0}));
  EXPECT_EQ(aciColor(90), (Rgb{0, 255, 0}));
  EXPECT_EQ(aciColor(130), (Rgb{0, 255, 255}));
  EXPECT_EQ(aciColor(140), (Rgb{0, 191, 255}));
  EXPECT_EQ(aciColor(170), (Rgb{0, 0, 255}));
  EXPECT_EQ(aciColor(210), (Rgb{255, 0, 255}));
  EXPECT_EQ(aciColor(240), (Rgb{255, 0, 63}));
  EXPECT_EQ(aciColor(249), (Rgb{76, 38, 47}));
  EXPECT_EQ(aciColor(250), (Rgb{51, 51, 51}));
  EXPECT_EQ(aciColor(254), (Rgb{190, 190, 190}));
  EXPECT_EQ(aciColor(255), (Rgb{255, 255, 255}));
  EXPECT_EQ(aciColor(0), (Rgb{0, 0, 0}));
  EXPECT_EQ(aciColor(300), (Rgb{0, 0, 0}));

  // Every hue ring keeps its brightness and saturation order.
  for (int hue = 10; hue < 250; hue += 10) {
    const Rgb full = aciColor(hue), dim = aciColor(hue + 8);
    const int maxFull = std::max({full.r, full.g, full.b});
    const int maxDim = std::max({dim.r, dim.g, dim.b});
    EXPECT_EQ(maxFull, 255) << hue;
    EXPECT_EQ(maxDim, 76) << hue;
    EXPECT_EQ(std::min({full.r, full.g, full.b}), 0) << hue;
  }
}

}  // namespace
