// Linework a CAD user checks first: linetype dashes, hatch boundaries however their edges are
// written, leader arrowheads, and the kinds of entity a picture cannot show named.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "pixel_checks.h"
#include "render/render.h"
#include "render_test_drawing.h"

namespace {

using namespace kx::test;
using kx::render::Picture;

Picture render(const RenderDrawing& d, int width = 800) {
  kx::render::RenderOptions options;
  options.width = width;
  return kx::render::renderImage(d.load(), options);
}

// The stretches of `ink` along the row of world height `y` between world x0 and x1, in world x.
std::vector<std::pair<double, double>> inkRuns(const Picture& p, double y, double x0, double x1,
                                               const std::function<bool(Rgb)>& ink) {
  const int row = static_cast<int>(p.view.toPicture({x0, y}).y);
  const int from = static_cast<int>(p.view.toPicture({x0, y}).x) - 3;
  const int to = static_cast<int>(p.view.toPicture({x1, y}).x) + 3;
  const auto world = [&](int x) {
    return p.view.center.x + (x + 0.5 - p.image.width / 2.0) / p.view.scale;
  };
  std::vector<std::pair<double, double>> runs;
  bool in = false;
  for (int x = from; x <= to; ++x) {
    const bool here = ink(p.image.at(x, row)) || ink(p.image.at(x, row - 1));
    if (here && !in) runs.emplace_back(world(x), world(x));
    if (here) runs.back().second = world(x);
    in = here;
  }
  return runs;
}

TEST(RenderLinework, LinetypesDashStrokesAtTheirScale) {
  RenderDrawing d;
  d.header("$LTSCALE", 40, "2");
  d.linetype("DASHED", {2, -1});
  d.linetype("GAPFIRST", {-1, 2});
  d.linetype("FINE", {0.0001, -0.0001});
  d.layer("Hidden", 1, 0, "DASHED");
  d.entity("LINE", lineGroups(0, 0, 60, 0), "Hidden");
  d.entity("LINE", lineGroups(0, -10, 60, -10), "Hidden", 256, {{48, "0.5"}});
  // A block line "by block" takes the reference's linetype, scaled with the reference.
  d.beginBlock("B");
  d.blockEntity("LINE", lineGroups(0, 0, 30, 0), "0", 1, {{6, "ByBlock"}});
  d.entity("INSERT", insertGroups("B", 0, -20, Groups{{41, "2"}, {42, "2"}}), "0", 256,
           {{6, "DASHED"}});
  d.entity("LINE", lineGroups(0, -30, 60, -30), "0", 1, {{6, "GAPFIRST"}});
  d.entity("LINE", lineGroups(0, -40, 60, -40), "0", 1, {{6, "FINE"}});
  d.entity("LINE", lineGroups(0, -50, 60, -50), "0", 1, {{6, "NOSUCH"}});
  const Picture p = render(d);

  // Dashes 4 long every 6 from the start; half that at an entity scale of 0.5.
  const auto full = inkRuns(p, 0, 0, 60, isReddish);
  ASSERT_EQ(full.size(), 10u);
  for (std::size_t i = 0; i < full.size(); ++i) {
    EXPECT_NEAR(full[i].first, 6.0 * i, 0.25) << i;
    EXPECT_NEAR(full[i].second - full[i].first, 4, 0.4) << i;
  }
  EXPECT_EQ(inkRuns(p, -10, 0, 60, isReddish).size(), 20u);
  const auto block = inkRuns(p, -20, 0, 60, isReddish);
  ASSERT_EQ(block.size(), 5u);
  EXPECT_NEAR(block[1].first, 12, 0.25);
  // A pattern that opens with a gap starts the line with that gap.
  const auto gapFirst = inkRuns(p, -30, 0, 60, isReddish);
  ASSERT_FALSE(gapFirst.empty());
  EXPECT_NEAR(gapFirst[0].first, 2, 0.25);
  EXPECT_EQ(gapFirst.size(), 10u);
  // Too fine to see, or not in the table: solid.
  EXPECT_EQ(inkRuns(p, -40, 0, 60, isReddish).size(), 1u);
  EXPECT_EQ(inkRuns(p, -50, 0, 60, isReddish).size(), 1u);
}

// A boundary path of line edges, each from (x1, y1) to (x2, y2).
Groups linePath(int flags, const std::vector<std::array<double, 4>>& edges) {
  Groups g{{92, std::to_string(flags)}, {93, std::to_string(edges.size())}};
  for (const auto& [x1, y1, x2, y2] : edges)
    g = g + Groups{{72, "1"}} + Groups{{10, fmt::format("{}", x1)}, {20, fmt::format("{}", y1)}} +
        Groups{{11, fmt::format("{}", x2)}, {21, fmt::format("{}", y2)}};
  return g + Groups{{97, "0"}};
}

// A square boundary path from (x, y), `side` long, as a closed polyline.
Groups squarePath(double x, double y, double side) {
  return linePath(0, {{x, y, x + side, y},
                      {x + side, y, x + side, y + side},
                      {x + side, y + side, x, y + side},
                      {x, y + side, x, y}});
}

Groups solidHatch(const std::vector<Groups>& paths, int style, const Groups& after = {}) {
  Groups g = Groups{{100, "AcDbHatch"}} + point(10, 0, 0) + point(210, 0, 0, 1) +
             Groups{{2, "SOLID"}, {70, "1"}, {71, "0"}, {91, std::to_string(paths.size())}};
  for (const Groups& p : paths) g = g + p;
  return g + Groups{{75, std::to_string(style)}, {76, "1"}, {98, "0"}} + after;
}

TEST(RenderLinework, HatchBoundariesJoinWhateverTheirEdgeOrderAndKeepIslandsByStyle) {
  RenderDrawing d;
  // A square 0..20 whose edges come shuffled, some reversed, one end a hair off.
  d.entity(
      "HATCH",
      solidHatch(
          {linePath(1, {{20, 20, 20, 0}, {0, 0, 0, 20}, {20, 0.0000001, 0, 0}, {0, 20, 20, 20}})},
          0),
      "0", 1);
  // Squares nested three deep at x 30, 70 and 110, in each hatch style.
  for (int style : {0, 1, 2}) {
    const double x = 30 + 40 * style;
    d.entity(
        "HATCH",
        solidHatch({squarePath(x, 0, 30), squarePath(x + 5, 5, 20), squarePath(x + 10, 10, 10)},
                   style),
        "0", 3);
  }
  // A linear gradient from red to blue, left to right.
  d.entity("HATCH",
           solidHatch({squarePath(0, -40, 30)}, 0,
                      Groups{{450, "1"},
                             {451, "0"},
                             {452, "0"},
                             {453, "2"},
                             {460, "0"},
                             {461, "0"},
                             {462, "0"},
                             {463, "0"},
                             {63, "1"},
                             {421, "16711680"},
                             {463, "1"},
                             {63, "5"},
                             {421, "255"},
                             {470, "LINEAR"}}),
           "0", 3);
  const Picture p = render(d);

  for (const auto& [x, y] : {std::pair{10.0, 10.0}, {2.0, 2.0}, {18.0, 18.0}, {2.0, 18.0}})
    EXPECT_TRUE(isReddish(colorAt(p, x, y))) << x << "," << y;
  EXPECT_TRUE(isWhite(colorAt(p, 25, 10)));
  // Normal: odd depths filled; outer: the outermost ring only; ignore: all of the outer square.
  const bool filled[3][3] = {{true, false, true}, {true, false, false}, {true, true, true}};
  for (int style : {0, 1, 2})
    for (int depth : {0, 1, 2}) {
      const double x = 30 + 40 * style + 2.5 + 5 * depth;
      EXPECT_EQ(isGreenish(colorAt(p, x, 15)), filled[style][depth]) << style << " " << depth;
    }
  EXPECT_TRUE(isReddish(colorAt(p, 2, -25)));
  EXPECT_TRUE(isBluish(colorAt(p, 28, -25)));
  const Rgb middle = colorAt(p, 15, -25);
  EXPECT_TRUE(middle.r > 60 && middle.b > 60) << int(middle.r) << " " << int(middle.b);
}

}  // namespace
