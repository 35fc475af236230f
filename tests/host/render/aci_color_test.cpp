// The indexed colour table: the named colours, the hue rings and the greys.

#include <gtest/gtest.h>

#include "render/aci_color.h"

namespace {

using kx::render::aciColor;
using kx::render::Rgb;

TEST(AciColor, StandardTableValues) {
  // Indexes 1 to 9 are a plain list in the code, not repeated here but for 7: white on black
  // screens, black on white paper. The hue rings are worked out: full and half saturation at five
  // brightnesses, 15 degrees per ten indexes. Then the greys, and black out of range.
  const std::pair<int, Rgb> colors[] = {
      {7, {0, 0, 0}},        {10, {255, 0, 0}},    {11, {255, 127, 127}}, {12, {204, 0, 0}},
      {13, {204, 102, 102}}, {18, {76, 0, 0}},     {19, {76, 38, 38}},    {20, {255, 63, 0}},
      {21, {255, 159, 127}}, {30, {255, 127, 0}},  {50, {255, 255, 0}},   {90, {0, 255, 0}},
      {130, {0, 255, 255}},  {140, {0, 191, 255}}, {170, {0, 0, 255}},    {210, {255, 0, 255}},
      {240, {255, 0, 63}},   {249, {76, 38, 47}},  {250, {51, 51, 51}},   {255, {255, 255, 255}},
      {0, {0, 0, 0}},        {300, {0, 0, 0}}};
  for (const auto& [index, rgb] : colors) EXPECT_EQ(aciColor(index), rgb) << index;

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
