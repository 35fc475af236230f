// Pictures of single entities and small drawings, checked pixel by pixel: where ink lands, what
// covers what, colours, layers and blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include <fmt/ranges.h>

#include "pixel_checks.h"
#include "render/aci_color.h"
#include "render/render.h"
#include "render_test_drawing.h"

namespace {

using namespace kx::test;
using kx::render::Picture;

double distanceToSegment(kx::geom::Vec2 p, kx::geom::Vec2 a, kx::geom::Vec2 b) {
  const kx::geom::Vec2 d = b - a;
  const double t =
      std::clamp(((p.x - a.x) * d.x + (p.y - a.y) * d.y) / (d.x * d.x + d.y * d.y), 0.0, 1.0);
  return (a + d * t - p).length();
}

TEST(RenderEntities, LineLandsAlongItsPathAndNowhereElse) {
  RenderDrawing d;
  d.entity("LINE", lineGroups(0, 0, 100, 50), "0", 1);
  const Picture p = render(d, 1600);
  for (double t = 0; t <= 1; t += 0.02) EXPECT_TRUE(inkNear(p, 100 * t, 50 * t, isReddish)) << t;
  const kx::geom::Vec2 a = p.view.toPicture({0, 0}), b = p.view.toPicture({100, 50});
  int stray = 0, white = 0;
  for (int y = 0; y < p.image.height; ++y)
    for (int x = 0; x < p.image.width; ++x) {
      const Rgb c = p.image.at(x, y);
      const double off = distanceToSegment({x + 0.5, y + 0.5}, a, b);
      if (!isWhite(c) && off > 2) ++stray;
      if (isWhite(c)) ++white;
      // Red over white, however faint at the line's edges.
      if (off < 2 && !isWhite(c)) {
        EXPECT_TRUE(c.r == 255 && c.g == c.b) << x << "," << y;
      }
    }
  EXPECT_EQ(stray, 0);
  EXPECT_GT(white, p.image.width * p.image.height * 9 / 10);
}

TEST(RenderEntities, CurvesPassThroughTheirPoints) {
  RenderDrawing d;
  d.entity("CIRCLE", Groups{{100, "AcDbCircle"}} + point(10, 0, 0) + Groups{{40, "10"}}, "0", 1);
  d.entity("ARC",
           Groups{{100, "AcDbCircle"}} + point(10, 30, 0) +
               Groups{{40, "10"}, {100, "AcDbArc"}, {50, "0"}, {51, "90"}},
           "0", 5);
  // An ellipse twice as wide as high, its upper half.
  d.entity("ELLIPSE",
           Groups{{100, "AcDbEllipse"}} + point(10, 60, 0) + point(11, 10, 0) +
               Groups{{40, "0.5"}, {41, "0"}, {42, "3.14159265358979"}},
           "0", 3);
  d.entity("POINT", Groups{{100, "AcDbPoint"}} + point(10, 0, -20), "0", 1);
  const Picture p = render(d);

  for (double a = 0; a < 6.28; a += 0.2)
    EXPECT_TRUE(inkNear(p, 10 * std::cos(a), 10 * std::sin(a), isReddish)) << a;
  expectInkNear(p, {{30 + 10 * std::cos(0.7), 10 * std::sin(0.7), isBluish},
                    {60, 5, isGreenish},
                    {70, 0, isGreenish},
                    {0, -20, isReddish}});
  // Nothing at the circle's centre, on the arc's other side or under the half ellipse.
  expectInkNear(p,
                {{0, 0, isReddish}, {20, 0.5, isBluish}, {30, -10, isBluish}, {60, -5, isGreenish}},
                false, 3);
}

TEST(RenderEntities, SolidsAreFilledInTheirCornerOrder) {
  RenderDrawing d;
  // Corners 1, 2, 3, 4 at lower-left, lower-right, upper-left, upper-right: a square, not a bow
  // tie.
  d.entity("SOLID", solidGroups(0, 0, 10, 10));
  // Three corners: a triangle.
  d.entity("SOLID",
           Groups{{100, "AcDbTrace"}} + point(10, 20, 0) + point(11, 30, 0) + point(12, 20, 10));
  const Picture p = render(d);
  for (auto [x, y] : {std::pair{1.0, 5.0}, {9.0, 5.0}, {5.0, 1.0}, {5.0, 9.0}, {5.0, 5.0}})
    EXPECT_TRUE(isDark(colorAt(p, x, y))) << x << "," << y;
  expectColors(p, {{21, 1, isDark}, {22, 7, isDark}, {29, 9, isWhite}, {15, 5, isWhite}});
}

TEST(RenderEntities, FacesHideWhatIsBelowThemAndShowOnlyTheirVisibleEdges) {
  RenderDrawing d;
  d.entity("LINE", lineGroups(-5, 3, 15, 3), "0", 5);
  // Edges 1 (corner 1 to 2) and 3 (corner 3 to 4) hidden.
  d.entity("3DFACE",
           Groups{{100, "AcDbFace"}} + point(10, 0, 0) + point(11, 10, 0) + point(12, 10, 10) +
               point(13, 0, 10) + Groups{{70, "5"}},
           "0", 1);
  d.entity("LINE", lineGroups(-5, 7, 15, 7), "0", 3);
  const Picture p = render(d);
  expectInkNear(p, {{10, 5, isReddish}, {0, 5, isReddish}});
  expectInkNear(p, {{5, 0, isReddish}, {5, 10, isReddish}}, false);
  expectColors(p, {{-3, 3, isBluish}, {5, 3, isWhite}, {5, 7, isGreenish}});
}

TEST(RenderEntities, PolylinesFollowBulgesAndWidths) {
  RenderDrawing d;
  // A band 2 wide along y = 0.
  d.entity("LWPOLYLINE",
           Groups{{100, "AcDbPolyline"}, {90, "2"}, {70, "0"}, {43, "2"}} + point(10, 0, 0) +
               point(10, 20, 0),
           "0", 1);
  // A half circle from (30, 0) to (40, 0) turning counter-clockwise: below the chord.
  d.entity("LWPOLYLINE",
           Groups{{100, "AcDbPolyline"}, {90, "2"}, {70, "0"}} + point(10, 30, 0) +
               Groups{{42, "1"}} + point(10, 40, 0),
           "0", 5);
  // Tapering from nothing to 4 wide.
  d.entity("LWPOLYLINE",
           Groups{{100, "AcDbPolyline"}, {90, "2"}, {70, "0"}} + point(10, 0, 20) +
               Groups{{40, "0"}, {41, "4"}} + point(10, 20, 20),
           "0", 3);
  // An old-style closed 2D polyline with a clockwise bulge on its first segment.
  d.entity("POLYLINE",
           Groups{{66, "1"}, {100, "AcDb2dPolyline"}} + point(10, 0, 0) + Groups{{70, "1"}}, "0",
           1);
  d.entity("VERTEX", Groups{{100, "AcDbVertex"}, {100, "AcDb2dVertex"}} + point(10, 50, 0) +
                         Groups{{42, "-1"}});
  d.entity("VERTEX", Groups{{100, "AcDbVertex"}, {100, "AcDb2dVertex"}} + point(10, 60, 0));
  d.entity("VERTEX", Groups{{100, "AcDbVertex"}, {100, "AcDb2dVertex"}} + point(10, 60, -10));
  d.entity("VERTEX", Groups{{100, "AcDbVertex"}, {100, "AcDb2dVertex"}} + point(10, 50, -10));
  d.entity("SEQEND", {});
  // A polyline of one vertex is a dot.
  d.entity("LWPOLYLINE", Groups{{100, "AcDbPolyline"}, {90, "1"}, {70, "0"}} + point(10, 30, 20),
           "0", 1);
  const Picture p = render(d);
  if (const auto pdf = pdfPicture(d.load(), ofWidth(800))) {
    EXPECT_EQ(inkApart(p.image, pdf->image), 0);
  }

  EXPECT_TRUE(inkNear(p, 30, 20, isReddish));
  expectColors(p, {{10, 0.7, isReddish}, {10, -0.7, isReddish}, {10, 1.5, isWhite}});
  EXPECT_TRUE(inkNear(p, 35, -5, isBluish));
  EXPECT_FALSE(inkNear(p, 35, 5, isBluish, 3));
  expectColors(p, {{2, 20.6, isWhite}, {18, 21.5, isGreenish}, {18, 18.5, isGreenish}});
  // Clockwise from (50, 0) to (60, 0): above the chord; then round the box and back.
  EXPECT_TRUE(inkNear(p, 55, 5, isReddish));
  EXPECT_FALSE(inkNear(p, 55, -5, isReddish, 3));
  EXPECT_TRUE(inkNear(p, 60, -5, isReddish));
  EXPECT_TRUE(inkNear(p, 50, -5, isReddish));  // the closing segment
}

TEST(RenderEntities, HatchesFillInsideTheirBoundariesAroundIslands) {
  RenderDrawing d;
  // Outer: a polyline path 0..40 x 0..20 whose top edge bulges up into a half circle; island: an
  // edge path of a line and a half-circle arc.
  const Groups outer =
      Groups{{92, "7"}, {72, "1"}, {73, "1"}, {93, "4"}} + Groups{{10, "0"}, {20, "0"}, {42, "0"}} +
      Groups{{10, "40"}, {20, "0"}, {42, "0"}} + Groups{{10, "40"}, {20, "20"}, {42, "1"}} +
      Groups{{10, "0"}, {20, "20"}, {42, "0"}} + Groups{{97, "0"}};
  const Groups island =
      Groups{{92, "16"}, {93, "2"}} +
      Groups{{72, "1"}, {10, "15"}, {20, "5"}, {11, "25"}, {21, "5"}} +
      Groups{{72, "2"}, {10, "20"}, {20, "5"}, {40, "5"}, {50, "0"}, {51, "180"}, {73, "1"}} +
      Groups{{97, "0"}};
  d.entity("HATCH",
           Groups{{100, "AcDbHatch"}} + point(10, 0, 0) + point(210, 0, 0, 1) +
               Groups{{2, "SOLID"}, {70, "1"}, {71, "0"}, {91, "2"}} + outer + island +
               Groups{{75, "0"}, {76, "1"}, {98, "0"}},
           "0", 3);
  // A pattern of lines at 45 degrees, 2 apart, inside 50..70 x 0..20.
  d.entity(
      "HATCH",
      Groups{{100, "AcDbHatch"}} + point(10, 0, 0) + point(210, 0, 0, 1) +
          Groups{{2, "ANSI31"}, {70, "0"},           {71, "0"},          {91, "1"},  {92, "7"},
                 {72, "0"},     {73, "1"},           {93, "4"},          {10, "50"}, {20, "0"},
                 {10, "70"},    {20, "0"},           {10, "70"},         {20, "20"}, {10, "50"},
                 {20, "20"},    {97, "0"},           {75, "0"},          {76, "1"},  {52, "0"},
                 {41, "1"},     {77, "0"},           {78, "1"},          {53, "45"}, {43, "0"},
                 {44, "0"},     {45, "-1.41421356"}, {46, "1.41421356"}, {79, "0"},  {98, "0"}},
      "0", 5);
  const Picture p = render(d);
  if (const auto pdf = pdfPicture(d.load(), ofWidth(800))) {
    EXPECT_EQ(inkApart(p.image, pdf->image), 0);
  }
  // Filled inside the outline and its bulge, not inside the island or outside the bulge.
  expectColors(p, {{5, 10, isGreenish},
                   {35, 2, isGreenish},
                   {20, 28, isGreenish},
                   {20, 7, isWhite},
                   {2, 35, isWhite}});

  const kx::geom::Vec2 lo = p.view.toPicture({50, 20}), hi = p.view.toPicture({70, 0});
  int inside = 0, outside = 0;
  for (int y = 0; y < p.image.height; ++y)
    for (int x = 0; x < p.image.width; ++x) {
      if (!isBluish(p.image.at(x, y))) continue;
      const bool in = x >= lo.x - 1 && x <= hi.x + 1 && y >= lo.y - 1 && y <= hi.y + 1;
      (in ? inside : outside)++;
    }
  EXPECT_GT(inside, 500);
  EXPECT_EQ(outside, 0);
  // Lines 2 apart at 45 degrees cross a row 20 long about 7 times.
  const int row = static_cast<int>(p.view.toPicture({0, 10}).y);
  int runs = 0;
  for (int x = static_cast<int>(lo.x); x <= static_cast<int>(hi.x); ++x)
    runs += isBluish(p.image.at(x, row)) && !isBluish(p.image.at(x - 1, row));
  EXPECT_GE(runs, 6);
  EXPECT_LE(runs, 8);
}

TEST(RenderEntities, WipeoutsHideWhatIsBelowThem) {
  const auto drawing = [](std::optional<bool> frame) {
    RenderDrawing d;
    d.entity("LINE", lineGroups(0, 5, 40, 5), "0", 5);
    // Insertion (10, 0), 20 by 10, boundary given as two opposite corners in pixel units.
    d.entity("WIPEOUT", Groups{{100, "AcDbWipeout"}, {90, "0"}} + point(10, 10, 0) +
                            point(11, 20, 0) + point(12, 0, 10) + point(13, 1, 1) +
                            Groups{{70, "7"}, {280, "1"}, {71, "1"}, {91, "2"}} +
                            Groups{{14, "-0.5"}, {24, "-0.5"}, {14, "0.5"}, {24, "0.5"}});
    if (frame) d.wipeoutFrame(*frame);
    return render(d);
  };
  const Picture hidden = drawing(false);
  expectColors(hidden, {{5, 5, isBluish}, {35, 5, isBluish}, {20, 5, isWhite}, {11, 5, isWhite}});
  EXPECT_FALSE(inkNear(hidden, 20, 10, isDark, 2));  // no frame

  for (std::optional<bool> frame : {std::optional<bool>(true), std::optional<bool>()}) {
    const Picture framed = drawing(frame);
    EXPECT_TRUE(isWhite(colorAt(framed, 20, 5)));
    EXPECT_TRUE(inkNear(framed, 20, 10, isDark));
    EXPECT_TRUE(inkNear(framed, 30, 2, isDark));
  }
}

TEST(RenderEntities, SortTableDecidesWhatIsOnTop) {
  const auto drawing = [](int table) {
    RenderDrawing d;
    const std::string red = d.entity("SOLID", solidGroups(0, 0, 10, 10), "0", 1);
    const std::string green = d.entity("SOLID", solidGroups(5, 5, 15, 15), "0", 3);
    d.entity("SOLID", solidGroups(20, 0, 30, 10), "0", 5);
    if (table == 1) d.modelSortTable({{red, "FFF0"}});               // red after everything
    if (table == 2) d.modelSortTable({{green, "1"}});                // green before everything
    if (table == 3) d.modelSortTable({{green, red}, {red, green}});  // swapped
    return render(d);
  };
  EXPECT_TRUE(isGreenish(colorAt(drawing(0), 7, 7)));
  for (int table : {1, 2, 3}) {
    const Picture p = drawing(table);
    EXPECT_TRUE(isReddish(colorAt(p, 7, 7))) << table;
    EXPECT_TRUE(isReddish(colorAt(p, 2, 2))) << table;
    EXPECT_TRUE(isGreenish(colorAt(p, 12, 12))) << table;
    EXPECT_TRUE(isBluish(colorAt(p, 25, 5))) << table;
  }
}

TEST(RenderEntities, BlockReferencesLandWhereTheirTransformPutsThem) {
  RenderDrawing d;
  d.beginBlock("ARM", 1, 0);
  d.blockEntity("LINE", lineGroups(1, 0, 3, 0), "0", 1);
  d.beginBlock("DOT");
  d.blockEntity("SOLID", solidGroups(0, 0, 1, 1), "0", 0);  // by block
  d.beginBlock("PAIR");
  d.blockEntity("INSERT", insertGroups("DOT", 0, 0), "0", 0);
  d.blockEntity("INSERT", insertGroups("DOT", 5, 0), "0", 0);

  // Base (1, 0) to the insertion point, x scaled 2 and y 3, turned a quarter: along +y.
  d.entity("INSERT", insertGroups("ARM", 10, 10, {{41, "2"}, {42, "3"}, {43, "1"}, {50, "90"}}));
  // Seen from below (normal -Z) the OCS x axis points to -X.
  d.entity("INSERT", insertGroups("ARM", -10, 30) + point(210, 0, 0, -1));
  // A 2 x 2 array of pairs, blue through "by block".
  d.entity("INSERT", insertGroups("PAIR", 40, 0, {{70, "2"}, {71, "2"}, {44, "20"}, {45, "10"}}),
           "0", 5);
  d.entity("INSERT", insertGroups("DOT", 30, 30, {{41, "2"}, {42, "2"}}), "0", 3);
  // Array spacing is turned with the reference but not scaled: squares 2 wide, 5 apart up +y.
  d.entity("INSERT",
           insertGroups("DOT", 0, -40, {{41, "2"}, {42, "2"}, {50, "90"}, {70, "3"}, {44, "5"}}),
           "0", 1);
  // Attributes follow their reference: "by block" is the reference's colour; invisible ones hide.
  d.entity("INSERT", Groups{{66, "1"}} + insertGroups("DOT", 60, 30), "0", 3);
  const auto attribute = [](double y, const char* flags) {
    return Groups{{100, "AcDbText"}} + point(10, 60, y) +
           Groups{{40, "4"}, {1, "HH"}, {100, "AcDbAttribute"}, {2, "TAG"}, {70, flags}};
  };
  d.entity("ATTRIB", attribute(34, "0"), "0", 0);
  d.entity("ATTRIB", attribute(40, "1"), "0", 1);
  d.entity("SEQEND", {});
  const Picture p = render(d);
  EXPECT_TRUE(inkNear(p, 60.3, 35, isGreenish, 2));
  EXPECT_FALSE(inkNear(p, 60.3, 41, isReddish, 3));
  for (double y : {-39.0, -34.0, -29.0}) EXPECT_TRUE(isReddish(colorAt(p, -1, y))) << y;
  EXPECT_TRUE(isWhite(colorAt(p, -1, -36.5)));
  EXPECT_TRUE(isWhite(colorAt(p, 1, -39)));

  expectInkNear(p, {{10, 10.5, isReddish}, {10, 13.5, isReddish}, {9, 30, isReddish}});
  expectInkNear(p, {{12, 10, isReddish}, {10, 15, isReddish}, {11, 30, isReddish}}, false, 3);
  for (auto [x, y] : {std::pair{40.5, 0.5}, {45.5, 0.5}, {60.5, 0.5}, {65.5, 10.5}, {40.5, 10.5}})
    EXPECT_TRUE(isBluish(colorAt(p, x, y))) << x << "," << y;
  expectColors(p, {{50.5, 0.5, isWhite},
                   {40.5, 5.5, isWhite},
                   {31.8, 31.8, isGreenish},
                   {32.3, 32.3, isWhite}});
  EXPECT_TRUE(p.notices.empty());
}

TEST(RenderEntities, BlocksThatContainThemselvesAreDrawnOnceAndReported) {
  RenderDrawing d;
  d.beginBlock("LOOP");
  d.blockEntity("LINE", lineGroups(0, 0, 10, 0), "0", 1);
  d.blockEntity("INSERT", insertGroups("LOOP", 0, 5));
  d.beginBlock("B");
  d.blockEntity("LINE", lineGroups(0, 0, 0, 10), "0", 5);
  d.blockEntity("INSERT", insertGroups("C", 3, 0));
  d.beginBlock("C");
  d.blockEntity("INSERT", insertGroups("B", 3, 0));
  for (int i = 0; i < 3; ++i) d.entity("INSERT", insertGroups("LOOP", 0, 20.0 * i));
  d.entity("INSERT", insertGroups("B", 30, 0));
  d.entity("INSERT", insertGroups("MISSING", 0, 0));
  const Picture p = render(d);

  EXPECT_TRUE(inkNear(p, 5, 0, isReddish));
  EXPECT_TRUE(inkNear(p, 5, 40, isReddish));
  EXPECT_FALSE(inkNear(p, 5, 5, isReddish, 3));  // the copy inside the copy
  EXPECT_TRUE(inkNear(p, 30, 5, isBluish));
  EXPECT_FALSE(inkNear(p, 36, 5, isBluish, 2));  // B inside C inside B is where the cycle stops
  int loops = 0, cycleB = 0, missing = 0;
  for (const std::string& n : p.notices) {
    loops += n.find("LOOP") != std::string::npos;
    cycleB += n.find("block B ") != std::string::npos;
    missing += n.find("MISSING") != std::string::npos;
  }
  EXPECT_EQ(loops, 1);
  EXPECT_EQ(cycleB, 1);
  EXPECT_EQ(missing, 1);
}

TEST(RenderEntities, LayersDecideColourAndVisibility) {
  RenderDrawing d;
  d.layer("OFF", -1);
  d.layer("FROZEN", 1, 1);
  d.layer("GREEN", 3);
  d.beginBlock("MIXED");
  d.blockEntity("SOLID", solidGroups(0, 0, 4, 4), "0");      // takes the reference's layer
  d.blockEntity("SOLID", solidGroups(5, 0, 9, 4), "GREEN");  // keeps its own
  d.entity("SOLID", solidGroups(0, 0, 10, 10), "OFF", 1);
  d.entity("SOLID", solidGroups(20, 0, 30, 10), "FROZEN", 1);
  d.entity("SOLID", solidGroups(40, 0, 50, 10), "GREEN");
  d.entity("SOLID", solidGroups(60, 0, 70, 10), "0");  // layer 0 is colour 7: black on white
  d.entity("SOLID", solidGroups(80, 0, 90, 10), "0", 1, {{420, "1193046"}});  // 0x123456
  d.entity("INSERT", insertGroups("MIXED", 0, 20), "OFF");
  d.entity("INSERT", insertGroups("MIXED", 20, 20), "FROZEN");
  d.entity("INSERT", insertGroups("MIXED", 40, 20), "0", 5);
  const Picture p = render(d);

  expectColors(p, {{5, 5, isWhite}, {25, 5, isWhite}, {45, 5, isGreenish}});
  EXPECT_EQ(colorAt(p, 65, 5), (Rgb{0, 0, 0}));
  EXPECT_EQ(colorAt(p, 85, 5), (Rgb{0x12, 0x34, 0x56}));
  // A reference on a layer that is off hides what it draws on layer 0, not what has its own layer.
  EXPECT_TRUE(isWhite(colorAt(p, 2, 22)));
  EXPECT_TRUE(isGreenish(colorAt(p, 7, 22)));
  // A frozen one hides everything.
  EXPECT_TRUE(isWhite(colorAt(p, 27, 22)));
  // Layer 0 inside a block on layer 0 stays layer 0's colour.
  EXPECT_TRUE(isDark(colorAt(p, 42, 22)));
  EXPECT_TRUE(isGreenish(colorAt(p, 47, 22)));
}

TEST(RenderEntities, TileModeZeroShowsPaperSpaceAndItsViewports) {
  RenderDrawing model;
  model.entity("LINE", lineGroups(0, 0, 10, 10), "0", 1);
  model.entity("LINE", lineGroups(-100, 5, 100, 5), "0", 5);
  model.paperEntity("LINE", lineGroups(0, 10, 10, 0), 3);
  RenderDrawing paper = model;
  paper.header("$TILEMODE", 70, "0");
  const Picture m = render(model);
  EXPECT_GT(countPixels(m.image, isReddish), 20);
  EXPECT_EQ(countPixels(m.image, isGreenish), 0);
  const Picture s = render(paper);
  EXPECT_EQ(countPixels(s.image, isReddish), 0);
  EXPECT_GT(countPixels(s.image, isGreenish), 100);

  // A viewport 40 square at (100, 100) onto model space around (5, 5), 20 high: twice the size.
  const auto viewport = [](int id, double size) {
    return Groups{{100, "AcDbViewport"}} + point(10, 100, 100) +
           newTags(fmt::format("40 {0} | 41 {0} | 68 1 | 69 {1}", size, id)) + point(12, 5, 5) +
           point(16, 0, 0, 1) + point(17, 0, 0, 0) + Groups{{45, "20"}};
  };
  paper.paperEntity("VIEWPORT", viewport(1, 1000));  // the sheet: no frame, no view
  paper.paperEntity("VIEWPORT", viewport(2, 40));
  for (const auto& [format, v] : pngAndPdf(paper.load(), ofWidth(800))) {
    SCOPED_TRACE(format);
    expectInkNear(
        v, {{92, 92, isReddish}, {108, 108, isReddish}, {85, 100, isBluish}, {119, 100, isBluish}});
    EXPECT_FALSE(inkNear(v, 121, 100, isBluish));  // clipped at the frame
    EXPECT_TRUE(inkNear(v, 100, 120, isDark));     // the frame
    EXPECT_NEAR(v.view.toPicture({120, 120}).x, 800 * 0.95, 1);
  }
}

TEST(RenderEntities, EmptyAndOutlandishDrawingsStillGiveAPicture) {
  const Picture empty = render(RenderDrawing{});
  EXPECT_EQ(empty.image.width, 800);
  EXPECT_GT(empty.image.height, 0);
  EXPECT_EQ(countPixels(empty.image, isWhite), empty.image.width * empty.image.height);

  RenderDrawing d;
  d.beginBlock("EMPTY");
  d.beginBlock("MANY");
  d.blockEntity("INSERT", insertGroups("EMPTY", 0, 0, {{70, "30000"}, {71, "30000"}}));
  d.entity("INSERT", insertGroups("*Model_Space", 0, 0, {{70, "100000"}, {71, "100000"}}));
  d.entity("INSERT", insertGroups("MANY", 0, 0, {{70, "30000"}, {71, "30000"}}));
  d.entity("LINE", lineGroups(0, 0, 1e300, -1e300), "0", 1);
  d.entity("CIRCLE", Groups{{100, "AcDbCircle"}} + point(10, 0, 0) + Groups{{40, "-5"}});
  d.entity("LWPOLYLINE", Groups{{100, "AcDbPolyline"}, {90, "9"}, {42, "1e308"}});
  d.entity("HATCH",
           Groups{{100, "AcDbHatch"}, {91, "1000000"}, {92, "0"}, {93, "1000000"}, {72, "9"}});
  const Picture odd = render(d);
  EXPECT_EQ(odd.image.width, 800);
  EXPECT_EQ(odd.notices.size(), 2u) << fmt::format("{}", fmt::join(odd.notices, "\n"));
}

}  // namespace
