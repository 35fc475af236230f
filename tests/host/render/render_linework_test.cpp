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
  d.header("$MEASUREMENT", 70, "0");  // common patterns in inches
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
  // In the table without a pattern, but a common name: its usual pattern, here [5, -1, 1, -1].
  d.linetype("CENTERX2", {});
  d.entity("LINE", lineGroups(0, -60, 60, -60), "0", 1, {{6, "CENTERX2"}});
  // A text in each gap, centred on the line and running along it.
  d.linetype("GAS", {2.5, -1, -1.25}, RenderDrawing::PatternText{1, "GAS", 0.5, -0.5, -0.25});
  d.entity("LINE", lineGroups(0, -70, 60, -70), "0", 1, {{6, "GAS"}});
  d.entity("LINE", lineGroups(70, 0, 70, -60), "0", 1, {{6, "GAS"}});
  // Polylines round a corner at 9: the pattern starts again there, unless it runs on (128).
  for (const auto& [x, flags] : {std::pair{0, "0"}, {20, "128"}})
    d.entity("LWPOLYLINE",
             Groups{{100, "AcDbPolyline"}, {90, "3"}, {70, flags}} + point(10, x, -80) +
                 point(10, x + 9, -80) + point(10, x + 9, -89),
             "Hidden");
  for (const auto& [format, p] : pngAndPdf(d.load(), ofWidth(800))) {
    SCOPED_TRACE(format);

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
    const auto common = inkRuns(p, -60, 0, 60, isReddish);
    ASSERT_EQ(common.size(), 15u);
    EXPECT_NEAR(common[1].first, 6, 0.25);
    EXPECT_NEAR(common[2].first, 8, 0.25);

    // Dashes 5 long every 9.5, the text in the gap 1 after the dash, 1 high about the line.
    const auto inkIn = [&](double x1, double y1, double x2, double y2) {
      int n = 0;
      for (double x = x1; x <= x2; x += 0.1)
        for (double y = y1; y <= y2; y += 0.1) n += isReddish(colorAt(p, x, y));
      return n;
    };
    for (int k = 0; k < 5; ++k) {
      const double gap = 5 + 9.5 * k;
      EXPECT_GT(inkIn(gap + 1.1, -70.4, gap + 2.9, -70.1), 15) << k;
      EXPECT_GT(inkIn(gap + 1.1, -69.9, gap + 2.9, -69.6), 15) << k;
      EXPECT_EQ(inkIn(gap + 0.2, -70.2, gap + 0.8, -69.8), 0) << k;
      EXPECT_EQ(inkIn(gap + 1.1, -69.2, gap + 2.9, -68.5), 0) << k;
      EXPECT_EQ(inkIn(gap + 1.1, -71.5, gap + 2.9, -70.8), 0) << k;
    }
    // Down the vertical line the text runs down too, across nothing to its side.
    EXPECT_GT(inkIn(69.6, -7.9, 70.4, -6.1), 30);
    EXPECT_EQ(inkIn(70.9, -6.6, 72.5, -5.4), 0);
    EXPECT_TRUE(inkNear(p, 9, -82, isReddish));
    EXPECT_FALSE(inkNear(p, 29, -82, isReddish));
  }
}

TEST(RenderLinework, ArrowBlocksComeFromTheLeadersOverrideElseItsStyleElseTheHeader) {
  RenderDrawing d;
  // A ring one arrow size across (the Standard style's 2.5), behind the base point, and a bar
  // beside it, each in the leader's colour.
  d.beginBlock("RINGARROW");
  d.blockEntity("CIRCLE", Groups{{100, "AcDbCircle"}} + point(10, -0.5, 0) + Groups{{40, "0.5"}},
                "0", 0);
  d.beginBlock("BARARROW");
  d.blockEntity("LINE", lineGroups(-1, 0.8, 0, 0.8), "0", 0);
  d.headerText("$DIMLDRBLK", "RINGARROW");
  d.dimStyleGroup("Standard", 341, d.blockHandle("BARARROW"));
  const Groups ringOverride = newTags("1001 ACAD | 1000 DSTYLE | 1002 { | 1070 341 | 1005 " +
                                      d.blockHandle("RINGARROW") + " | 1002 }");
  const auto leader = [&](double y, const std::string& style, const Groups& xdata) {
    d.entity("LEADER",
             Groups{{100, "AcDbLeader"}, {3, style}, {71, "1"}, {72, "0"}, {76, "2"}} +
                 point(10, 0, y) + point(10, 20, y) + xdata,
             "0", 1);
  };
  leader(0, "NOSUCH", {});                // the header's
  leader(-20, "Standard", ringOverride);  // its own override before its style's
  leader(-40, "Standard", {});            // its style's
  // A multileader whose arrow is the ring, with the bar as its content, twice the size, blue.
  d.entity("MULTILEADER",
           Groups{{100, "AcDbMLeader"}, {270, "2"}, {300, "CONTEXT_DATA{"}, {40, "1"}} +
               point(10, 20, -60) +
               newTags("41 2 | 140 2.5 | 290 0 | 296 1 | 341 " + d.blockHandle("BARARROW") +
                       " | 93 -1023410171") +
               point(14, 0, 0, 1) + point(15, 40, -60) + point(16, 2, 2, 1) + Groups{{46, "0"}} +
               Groups{{302, "LEADER{"}, {290, "1"}, {291, "0"}} + point(10, 20, -60) +
               point(11, 1, 0) + Groups{{90, "0"}, {304, "LEADER_LINE{"}} + point(10, 0, -60) +
               Groups{{91, "0"}, {305, "}"}, {303, "}"}, {301, "}"}} +
               Groups{{170, "1"}, {291, "0"}, {342, d.blockHandle("RINGARROW")}, {172, "3"}},
           "0", 1);
  const Picture p = render(d);
  for (const double y : {0.0, -20.0, -60.0}) {
    for (const auto& [x, dy] : {std::pair{1.25, 1.2}, {1.25, -1.2}, {2.5, 0.0}})
      EXPECT_TRUE(inkNear(p, x, y + dy, isReddish, 2)) << x << "," << y + dy;
    EXPECT_FALSE(inkNear(p, 1.9, y + 0.25, isReddish, 0));  // no closed arrow inside the ring
    EXPECT_FALSE(inkNear(p, 1.25, y - 2, isReddish, 2));
  }
  // The leader points left, so the bar lies below it.
  EXPECT_TRUE(inkNear(p, 1.25, -42, isReddish, 2));
  EXPECT_FALSE(inkNear(p, 1.25, -38.8, isReddish, 2));
  EXPECT_TRUE(inkNear(p, 39, -58.4, isBluish));
  EXPECT_FALSE(inkNear(p, 39, -58.4, isReddish));
}

// A boundary path of line edges, each from (x1, y1) to (x2, y2).
Groups linePath(int flags, const std::vector<std::array<double, 4>>& edges) {
  Groups g{{92, std::to_string(flags)}, {93, std::to_string(edges.size())}};
  for (const auto& [x1, y1, x2, y2] : edges)
    g = g + newTags(fmt::format("72 1 | 10 {} | 20 {} | 11 {} | 21 {}", x1, y1, x2, y2));
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
  // A linear gradient from red to blue, left to right; blue is a true colour alone.
  d.entity("HATCH",
           solidHatch({squarePath(0, -40, 30)}, 0,
                      newTags("450 1 | 451 0 | 452 0 | 453 2 | 460 0 | 461 0 | 462 0 | 463 0 | 63 1"
                              " | 421 16711680 | 463 1 | 421 255 | 470 LINEAR")),
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
  for (const auto& [format, q] : pngAndPdf(d.load(), ofWidth(800))) {
    SCOPED_TRACE(format);
    EXPECT_TRUE(isReddish(colorAt(q, 2, -25)));
    EXPECT_TRUE(isBluish(colorAt(q, 28, -25)));
    const Rgb middle = colorAt(q, 15, -25);
    EXPECT_TRUE(middle.r > 60 && middle.b > 60) << int(middle.r) << " " << int(middle.b);
  }
}

TEST(RenderLinework, LeadersCarryArrowheadsAndEveryKindDrawsOrIsNamed) {
  RenderDrawing d;
  d.header("$DIMASZ", 40, "2");
  const auto leader = [&](double y, int arrow) {
    d.entity("LEADER",
             newTags(fmt::format("100 AcDbLeader | 3 Standard | 71 {} | 72 0 | 76 3", arrow)) +
                 point(10, 0, y) + point(10, 20, y + 10) + point(10, 30, y + 10),
             "0", 1);
  };
  leader(0, 1);
  leader(-20, 0);
  // Spline-fit: a curve through its vertices.
  d.entity("LEADER",
           Groups{{100, "AcDbLeader"}, {3, "Standard"}, {71, "0"}, {72, "1"}, {76, "3"}} +
               point(10, 0, -35) + point(10, 10, -25) + point(10, 20, -35),
           "0", 1);
  d.entity("MULTILEADER",
           Groups{{100, "AcDbMLeader"}, {270, "2"}, {300, "CONTEXT_DATA{"}, {40, "1"}} +
               point(10, 52, 10) +
               Groups{{41, "2"}, {140, "2"}, {145, "0.5"}, {290, "1"}, {304, "MLT"}} +
               point(11, 0, 0, 1) + point(12, 53, 11) + point(13, 1, 0) +
               Groups{{42, "0"}, {43, "0"}, {171, "1"}, {290, "0"}} +
               Groups{{302, "LEADER{"}, {290, "1"}, {291, "1"}} + point(10, 50, 10) +
               point(11, 1, 0) + Groups{{90, "0"}, {40, "2"}, {304, "LEADER_LINE{"}} +
               point(10, 40, 0) + Groups{{91, "0"}, {305, "}"}, {303, "}"}, {301, "}"}} +
               Groups{{170, "1"}, {291, "1"}, {41, "2"}, {42, "2"}, {172, "2"}},
           "0", 3);
  // Two parallel elements 1 either side of the vertices.
  Groups mline = Groups{{100, "AcDbMline"}, {2, "STANDARD"}, {40, "1"}, {70, "0"},
                        {71, "1"},          {72, "2"},       {73, "2"}} +
                 point(10, 0, -40) + point(210, 0, 0, 1);
  for (double x : {0.0, 30.0})
    mline = mline + point(11, x, -40) + point(12, 1, 0) + point(13, 0, 1) +
            Groups{{74, "1"}, {41, "1"}, {75, "0"}, {74, "1"}, {41, "-1"}, {75, "0"}};
  d.entity("MLINE", mline, "0", 5);
  d.entity("XLINE", Groups{{100, "AcDbXline"}} + point(10, 10, -50) + point(11, 1, 0), "0", 5);
  d.entity("RAY", Groups{{100, "AcDbRay"}} + point(10, 40, -55) + point(11, 1, 0), "0", 5);
  d.entity("MESH",
           Groups{{100, "AcDbSubDMesh"}, {71, "2"}, {72, "0"}, {91, "0"}, {92, "4"}} +
               point(10, 0, -70) + point(10, 10, -70) + point(10, 10, -60) + point(10, 0, -60) +
               newTags("93 5 | 90 4 | 90 0 | 90 1 | 90 2 | 90 3 | 94 0 | 95 0"),
           "0", 5);
  d.entity("IMAGE",
           Groups{{100, "AcDbRasterImage"}, {90, "0"}} + point(10, 20, -70) + point(11, 0.1, 0) +
               point(12, 0, 0.1) + Groups{{13, "100"}, {23, "100"}} + Groups{{70, "7"}, {280, "0"}},
           "0", 5);
  for (int i = 0; i < 2; ++i) d.entity("3DSOLID", Groups{{100, "AcDbModelerGeometry"}});
  d.entity("REGION", Groups{{100, "AcDbModelerGeometry"}});
  const Picture p = render(d);

  // A filled arrowhead at the start of the leader that has one; a bare line on the other.
  const auto inkAround = [&](double x, double y) {
    int n = 0;
    for (double dx = -1.5; dx <= 1.5; dx += 0.1)
      for (double dy = -1.5; dy <= 1.5; dy += 0.1)
        n += isReddish(colorAt(p, x + dx, y + dy)) || isGreenish(colorAt(p, x + dx, y + dy));
    return n;
  };
  const int bare = inkAround(1.2, -19.4);
  EXPECT_GT(inkAround(1.2, 0.6), 2 * bare);
  EXPECT_GT(inkAround(41.2, 0.6), 2 * bare);
  // The spline-fit leader on its curve, and the multileader's line and its dogleg.
  expectInkNear(
      p, {{10, -25, isReddish}, {5, -28.75, isReddish}, {45, 5, isGreenish}, {51, 10, isGreenish}});
  EXPECT_FALSE(inkNear(p, 5, -30, isReddish, 3));
  int textInk = 0;
  for (double x = 53; x < 58; x += 0.25) textInk += inkNear(p, x, 10, isGreenish, 0);
  EXPECT_GT(textInk, 3);
  expectInkNear(p, {{15, -39, isBluish}, {15, -41, isBluish}});
  EXPECT_FALSE(inkNear(p, 15, -40, isBluish));
  // Lines without ends reach the edges of the picture; a ray only on its side.
  const int xline = static_cast<int>(p.view.toPicture({0, -50}).y);
  const int ray = static_cast<int>(p.view.toPicture({0, -55}).y);
  EXPECT_TRUE(isBluish(p.image.at(0, xline)));
  EXPECT_TRUE(isBluish(p.image.at(p.image.width - 1, xline)));
  EXPECT_TRUE(isBluish(p.image.at(p.image.width - 1, ray)));
  EXPECT_TRUE(isWhite(colorAt(p, 38, -55)));
  for (const auto& [x, y] : {std::pair{5.0, -70.0}, {10.0, -65.0}, {25.0, -70.0}, {20.0, -65.0}})
    EXPECT_TRUE(inkNear(p, x, y, isBluish)) << x << "," << y;
  EXPECT_FALSE(inkNear(p, 25, -65, isBluish, 3));
  EXPECT_EQ(p.notices, (std::vector<std::string>{"2 3DSOLID entities are not drawn",
                                                 "1 REGION is not drawn"}));
}

TEST(RenderLinework, ImagesShowTheirPngFromBesideTheDrawing) {
  // A 40 by 20 pixel PNG: red top left, green bottom left, blue on the right.
  const TempFolder dir("image");
  RenderDrawing photo;
  photo.entity("SOLID", solidGroups(0, 10, 20, 20), "0", 1);
  photo.entity("SOLID", solidGroups(0, 0, 20, 10), "0", 3);
  photo.entity("SOLID", solidGroups(20, 0, 40, 20), "0", 5);
  kx::render::RenderOptions size;
  size.width = 40;
  size.height = 20;
  size.window = kx::render::Window{0, 0, 40, 20};
  kx::render::renderToFile(photo.load(), dir / "photo.png", size);

  // The drawing names the file in a folder of another machine; it is found beside the drawing.
  // One image as it is, one turned a quarter left, one whose file is missing; each of 80 by 40
  // pixels, so the PNG is stretched to twice its size.
  RenderDrawing d;
  const std::string found = d.object(
      "IMAGEDEF", {{100, "AcDbRasterImageDef"}, {90, "0"}, {1, "C:\\site\\pics\\photo.png"}});
  const std::string missing =
      d.object("IMAGEDEF", {{100, "AcDbRasterImageDef"}, {90, "0"}, {1, "gone.png"}});
  const auto image = [&](double x, double y, double ux, double uy, const std::string& def) {
    d.entity("IMAGE", Groups{{100, "AcDbRasterImage"}, {90, "0"}} + point(10, x, y) +
                          point(11, ux, uy) + point(12, -uy, ux) +
                          Groups{{13, "80"}, {23, "40"}, {340, def}, {70, "7"}, {280, "0"}});
  };
  image(10, 10, 0.25, 0, found);
  image(50, 10, 0, 0.25, found);
  image(60, 10, 0.25, 0, missing);

  kx::render::RenderOptions options = ofWidth(800);
  options.imageFolder = dir.path();
  for (const auto& [format, p] : pngAndPdf(d.load(), options)) {
    SCOPED_TRACE(format);
    expectColors(p, {{15, 17.5, isReddish},
                     {15, 12.5, isGreenish},
                     {25, 15, isBluish},
                     {42.5, 15, isReddish},
                     {47.5, 15, isGreenish},
                     {45, 25, isBluish},
                     {70, 15, isWhite}});
    EXPECT_TRUE(inkNear(p, 60, 15, isDark));  // its frame
  }
  // The SVG holds the PNG once, however often it is shown.
  const std::string svg =
      kx::render::renderToBytes(d.load(), kx::render::PictureFormat::Svg, options);
  EXPECT_EQ(occurrences(svg, "data:image/png;base64,iVBORw0KGgo"), 1);
  EXPECT_EQ(occurrences(svg, "<use "), 2);
  // Without the drawing's folder, frames only.
  EXPECT_TRUE(isWhite(colorAt(kx::render::renderImage(d.load(), {}), 15, 17.5)));
}

}  // namespace
