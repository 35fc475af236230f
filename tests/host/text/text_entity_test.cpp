// TEXT, ATTDEF and ATTRIB in a drawing: styles, boxes, WCS extents and keeping justified texts
// where their alignment point says.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "db/dxf_groups.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "text/text_entity.h"

namespace {

using kx::db::Database;
using kx::db::NewTag;
using kx::db::ObjectId;
using kx::geom::Vec3;
using namespace kx::text;

struct TextParams {
  std::string type = "TEXT";
  std::string text = "Hello Wg";
  Vec3 position{10, 20, 0};
  std::optional<Vec3> alignment{};
  double height = 2.5;
  std::optional<double> widthFactor{};
  double rotation = 0;  // degrees
  double oblique = 0;   // degrees
  int generation = 0;
  int horizontal = 0, vertical = 0;
  std::optional<Vec3> normal{};
  std::string style{};
  std::string layer = "0";
};

void pushPoint(std::vector<NewTag>& body, int code, Vec3 p) {
  body.push_back({code, kx::db::formatReal(p.x)});
  body.push_back({code + 10, kx::db::formatReal(p.y)});
  body.push_back({code + 20, kx::db::formatReal(p.z)});
}

ObjectId addText(Database& db, const TextParams& s) {
  std::vector<NewTag> body{{100, "AcDbEntity"}, {8, s.layer}, {100, "AcDbText"}};
  pushPoint(body, 10, s.position);
  body.push_back({40, kx::db::formatReal(s.height)});
  body.push_back({1, s.text});
  if (s.rotation != 0) body.push_back({50, kx::db::formatReal(s.rotation)});
  if (s.widthFactor) body.push_back({41, kx::db::formatReal(*s.widthFactor)});
  if (s.oblique != 0) body.push_back({51, kx::db::formatReal(s.oblique)});
  if (!s.style.empty()) body.push_back({7, s.style});
  if (s.generation) body.push_back({71, std::to_string(s.generation)});
  if (s.horizontal) body.push_back({72, std::to_string(s.horizontal)});
  if (s.alignment) pushPoint(body, 11, *s.alignment);
  if (s.normal) pushPoint(body, 210, *s.normal);
  if (s.type == "TEXT") {
    body.push_back({100, "AcDbText"});
    if (s.vertical) body.push_back({73, std::to_string(s.vertical)});
  } else {
    // The vertical mode of attributes is 74; their 73 is the field length.
    body.push_back({100, "AcDbAttributeDefinition"});
    body.push_back({280, "0"});
    body.push_back({3, "Prompt"});
    body.push_back({2, "TAG_" + s.text});
    body.push_back({70, "0"});
    body.push_back({73, "7"});
    if (s.vertical) body.push_back({74, std::to_string(s.vertical)});
  }
  return kx::db::addEntity(db, kx::db::findBlockRecord(db, "*Model_Space"), s.type, body);
}

double scaleOf(const std::array<Vec3, 4>& corners) {
  double s = 1;
  for (const Vec3& c : corners) s = std::max({s, std::fabs(c.x), std::fabs(c.y), std::fabs(c.z)});
  return s;
}

void expectSameCorners(const std::array<Vec3, 4>& a, const std::array<Vec3, 4>& b) {
  const double tolerance = 1e-9 * scaleOf(a);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(a[i].x, b[i].x, tolerance) << "corner " << i;
    EXPECT_NEAR(a[i].y, b[i].y, tolerance) << "corner " << i;
    EXPECT_NEAR(a[i].z, b[i].z, tolerance) << "corner " << i;
  }
}

std::array<Vec3, 4> inkCorners(const Database& db, ObjectId id) {
  return boxCorners(readTextEntity(db, id));
}

const Justification kEveryJustification[] = {
    {0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2},
    {2, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 0}, {4, 0}, {5, 0},
};

TEST(TextEntity, ChangingJustificationKeepsTheInkInPlace) {
  const std::pair<const char*, TextParams> variants[] = {
      {"plain", {}},
      {"rotated", {.position = {-1234.5, 987.25, 3}, .rotation = 37.5}},
      {"oblique", {.rotation = 200, .oblique = 15}},
      {"width factor", {.text = "%%uUnder%%u 45%%d", .widthFactor = 0.7}},
      {"backward", {.rotation = 90, .generation = 2}},
      {"upside down, tilted plane", {.generation = 6, .normal = Vec3{0.3, -0.5, 0.8}}},
      {"ATTDEF", {.type = "ATTDEF", .rotation = 300}}};
  for (const auto& [name, params] : variants) {
    SCOPED_TRACE(name);
    Database db = kx::db::newDrawing();
    const ObjectId id = addText(db, params);
    const auto original = inkCorners(db, id);
    ASSERT_GT((original[1] - original[0]).length(), 1.0);
    for (const Justification& j : kEveryJustification) {
      SCOPED_TRACE(testing::Message() << "to 72=" << j.horizontal << " vertical=" << j.vertical);
      setTextJustification(db, id, j);
      const kx::db::FieldReader f(db, id);
      EXPECT_EQ(f.integer(72), j.horizontal);
      if (params.type == "ATTDEF") {
        EXPECT_EQ(f.integer(74), j.vertical);
        EXPECT_EQ(f.integer(73), 7);  // the field length is not the vertical mode
      } else {
        EXPECT_EQ(f.integer(73), j.vertical);
      }
      expectSameCorners(inkCorners(db, id), original);
      // The stored insertion point is the one the text is drawn at.
      const TextEntity t = readTextEntity(db, id);
      const kx::db::Point3 p10 = f.point(10);
      EXPECT_NEAR(p10.x, t.insertion.x, 1e-9 * scaleOf(original));
      EXPECT_NEAR(p10.y, t.insertion.y, 1e-9 * scaleOf(original));
      // Nothing is left to update, and the text saved and read again stands where it stood.
      EXPECT_FALSE(updateTextPosition(db, id));
      const Database again = kx::db::readDxf(kx::db::writeDxf(db), "again.dxf").db;
      expectSameCorners(inkCorners(again, again.findByHandle(db.handle(id))), original);
    }
  }
}

TEST(TextEntity, AlignmentPointsSitWhereTheirJustificationSays) {
  Database db = kx::db::newDrawing();
  TextParams s;
  s.text = "HHHH";
  s.alignment = Vec3{100, 50, 0};
  s.position = {0, 0, 0};  // stale: the alignment point anchors the text
  const double h = s.height;
  auto inkOf = [&](int horizontal, int vertical) {
    s.horizontal = horizontal;
    s.vertical = vertical;
    return textBox(readTextEntity(db, addText(db, s)));
  };
  auto worldInk = [&](int horizontal, int vertical) {
    s.horizontal = horizontal;
    s.vertical = vertical;
    const auto c = inkCorners(db, addText(db, s));
    return Box2{c[0].x, c[0].y, c[2].x, c[2].y};
  };
  // Capitals: the ink runs from the baseline to the cap height, which is the text height.
  const Box2 topRight = worldInk(2, 3);
  EXPECT_NEAR(topRight.yMax, 50, 0.02 * h);
  EXPECT_NEAR(topRight.xMax, 100, 0.2 * h);  // the right side bearing of the last H
  EXPECT_LT(topRight.xMax, 100);
  // Where each mode puts the alignment point on the cell is checked in Justification.
  const Box2 baselineLeft = worldInk(0, 0);  // left/baseline: group 10 anchors it
  EXPECT_NEAR(baselineLeft.yMin, 0, 0.02 * h);
  EXPECT_NEAR(baselineLeft.xMin, 0, 0.2 * h);

  // The box is relative to the insertion point and does not turn with the text.
  s.rotation = 90;
  const Box2 box = inkOf(0, 0);
  const Box2 unrotated = (s.rotation = 0, inkOf(0, 0));
  EXPECT_NEAR(box.xMax, unrotated.xMax, 1e-12);
  EXPECT_NEAR(box.yMax, h, 0.02 * h);
  EXPECT_GT(box.width(), 3 * h);

  // A stale insertion point is written back once, and only the groups that change.
  s.horizontal = 2;
  s.vertical = 0;
  const ObjectId stale = addText(db, s);
  EXPECT_TRUE(updateTextPosition(db, stale));
  const std::string once = kx::db::writeDxf(db);
  EXPECT_FALSE(updateTextPosition(db, stale));
  EXPECT_EQ(kx::db::writeDxf(db), once);
  const TextEntity t = readTextEntity(db, stale);
  const kx::db::Point3 p10 = kx::db::FieldReader(db, stale).point(10);
  EXPECT_NEAR(100 - p10.x, t.layout.advance, 1e-9);
  EXPECT_NEAR(p10.y, 50, 1e-12);
}

TEST(TextEntity, AlignedAndFitTextsFillTheirTwoPoints) {
  Database db = kx::db::newDrawing();
  TextParams s;
  s.text = "ALIGNED text";
  s.position = {5, 5, 2};
  s.alignment = Vec3{5 + 30, 5 + 40, 2};  // 50 long at atan2(40, 30)
  s.widthFactor = 0.9;
  s.horizontal = 3;
  const ObjectId aligned = addText(db, s);
  s.horizontal = 5;
  const ObjectId fit = addText(db, s);
  s.generation = 2;  // backward: mirrored between the same two points
  const ObjectId fitBackward = addText(db, s);

  for (const ObjectId id : {aligned, fit, fitBackward}) {
    EXPECT_TRUE(updateTextPosition(db, id));
    const TextEntity t = readTextEntity(db, id);
    EXPECT_NEAR(t.layout.advance, 50, 1e-9);
    const auto c = boxCorners(t);
    // The ink runs along 10 -> 11, between the two points.
    const Vec3 along = kx::geom::normalized(Vec3{30, 40, 0});
    for (const Vec3& corner : c) {
      const double d = kx::geom::dot(corner - Vec3{5, 5, 2}, along);
      EXPECT_GT(d, -0.5);
      EXPECT_LT(d, 50.5);
      EXPECT_NEAR(corner.z, 2, 1e-12);
    }
    EXPECT_NEAR(kx::geom::dot(c[1] - c[0], along), t.layout.ink.width(), 1e-9);
    EXPECT_GT(t.layout.ink.width(), 45);
  }
  const kx::db::FieldReader a(db, aligned), f(db, fit), b(db, fitBackward);
  EXPECT_NEAR(a.real(50), std::atan2(40, 30) * 180 / std::numbers::pi, 1e-9);
  EXPECT_NEAR(a.real(41), 0.9, 1e-15);  // aligned keeps the width factor...
  EXPECT_NE(a.real(40), 2.5);           // ...and scales the height
  EXPECT_NEAR(f.real(40), 2.5, 1e-15);  // fit keeps the height...
  EXPECT_NE(f.real(41), 0.9);           // ...and scales the width factor
  EXPECT_NEAR(b.real(50), a.real(50), 1e-12);
  // Both points stay where the user put them.
  EXPECT_EQ(a.point(10), (kx::db::Point3{5, 5, 2}));
  EXPECT_EQ(f.point(11), (kx::db::Point3{35, 45, 2}));
}

TEST(TextEntity, ExtentsAreInWorldCoordinatesForAnyPlane) {
  Database db = kx::db::newDrawing();
  TextParams s;
  s.text = "Plane";
  s.position = {2, 3, 5};  // OCS: 2 along the OCS x, 3 along its y, elevation 5
  s.normal = Vec3{1, 0, 0};
  const TextEntity t = readTextEntity(db, addText(db, s));
  const auto e = geomExtents(t);
  ASSERT_TRUE(e);
  const Box2 box = textBox(t);
  // With normal +X the OCS x axis is world Y and its y axis world Z (the arbitrary axis rule).
  EXPECT_NEAR(e->min.x, 5, 1e-12);
  EXPECT_NEAR(e->max.x, 5, 1e-12);
  EXPECT_NEAR(e->min.y, 2 + box.xMin, 1e-12);
  EXPECT_NEAR(e->max.y, 2 + box.xMax, 1e-12);
  EXPECT_NEAR(e->min.z, 3 + box.yMin, 1e-12);
  EXPECT_NEAR(e->max.z, 3 + box.yMax, 1e-12);

  // A normal pointing down mirrors the OCS x axis: the text reads towards world -X.
  s.normal = Vec3{0, 0, -1};
  const auto down = geomExtents(readTextEntity(db, addText(db, s)));
  ASSERT_TRUE(down);
  EXPECT_NEAR(down->max.x, -2 - box.xMin, 1e-12);
  EXPECT_NEAR(down->min.x, -2 - box.xMax, 1e-12);
  EXPECT_NEAR(down->min.z, -5, 1e-12);

  // Glyphs are placed in the same plane: pens start at the insertion point.
  const TextPicture picture = placeGlyphs(t);
  ASSERT_EQ(picture.glyphs.size(), 5u);
  const Vec3 pen = picture.glyphs[0].fontToWorld.apply({0, 0, 0});
  EXPECT_NEAR(pen.x, 5, 1e-12);
  EXPECT_NEAR(pen.y, 2, 1e-12);
  EXPECT_NEAR(pen.z, 3, 1e-12);
  // A capital is one text height tall in the font's units.
  EXPECT_NEAR((picture.glyphs[0].fontToWorld.applyToVector({0, 1, 0})).length(), 2.5, 1e-12);

  // Nothing to draw, no extents; damaged numbers draw something sensible and never crash.
  s.text = "";
  EXPECT_FALSE(geomExtents(readTextEntity(db, addText(db, s))));
  s.text = "x";
  s.height = 0;
  s.widthFactor = -3;
  s.oblique = 89.9;
  EXPECT_NO_THROW(readTextEntity(db, addText(db, s)));
  s.text = std::string(100000, 'W');
  s.height = 1;
  s.horizontal = 5;
  s.alignment = Vec3{1, 0, 0};
  EXPECT_NO_THROW(updateTextPosition(db, addText(db, s)));
}

// The placement kept between reads is the one laying the text out again gives, whatever changed
// since: the text's groups, its style's font, or another text placed in between.
TEST(TextEntity, KeptPlacementIsTheTextAsItStandsNow) {
  Database db = kx::db::newDrawing();
  const ObjectId serif = kx::db::addTableRecord(
      db, "STYLE",
      kx::test::newTags(
          "100 AcDbSymbolTableRecord | 100 AcDbTextStyleTableRecord | 2 Serif"
          " | 70 0 | 40 0.0 | 41 1.0 | 50 0.0 | 71 0 | 42 2.5 | 3 DejaVuSerif.ttf | 4"));
  TextParams s;
  s.text = "Kept";
  s.position = {0, 0, 0};  // stale: the alignment point anchors the text
  s.alignment = Vec3{100, 50, 0};
  s.horizontal = 2;
  s.style = "Serif";
  const ObjectId id = addText(db, s);
  s.horizontal = 1;
  s.text = "Other";
  const ObjectId other = addText(db, s);
  auto expectFresh = [&](ObjectId text) {
    const TextPlacement kept = textPlacement(db, text);
    const TextEntity fresh = readTextPlacement(db, text);
    EXPECT_TRUE(kept.laidOut);
    EXPECT_EQ(kept.insertion.x, fresh.insertion.x);
    EXPECT_EQ(kept.insertion.y, fresh.insertion.y);
    return kept.insertion.x;
  };
  const double first = expectFresh(id);
  EXPECT_NE(expectFresh(other), first);
  EXPECT_EQ(expectFresh(id), first);
  EXPECT_TRUE(updateTextPosition(db, id));  // writes 10 and keeps what it placed
  EXPECT_EQ(expectFresh(id), first);
  kx::db::ObjectFields(db, id).setString(1, L"Kept longer");
  const double longer = expectFresh(id);
  EXPECT_LT(longer, first);
  EXPECT_NE(expectFresh(other), longer);
  EXPECT_EQ(expectFresh(id), longer);
  kx::db::ObjectFields(db, serif).setRawText(3, "cour.ttf");
  EXPECT_NE(expectFresh(id), longer);
}

TEST(TextEntity, StylesAreFoundByNameWhateverTheCase) {
  Database db = kx::db::newDrawing();
  const ObjectId serif = kx::db::addTableRecord(
      db, "STYLE",
      kx::test::newTags(
          "100 AcDbSymbolTableRecord | 100 AcDbTextStyleTableRecord | 2 Drawing Serif"
          " | 70 0 | 40 0.0 | 41 1.0 | 50 0.0 | 71 0 | 42 2.5 | 3 DejaVuSerif.ttf | 4"));
  EXPECT_EQ(findTextStyle(db, L"drawing SERIF").record, serif);
  EXPECT_EQ(findTextStyle(db, L"drawing SERIF").fontFile, "DejaVuSerif.ttf");
  // A missing style shows as Standard.
  const TextStyle missing = findTextStyle(db, L"No such style");
  EXPECT_EQ(missing.name, L"Standard");
  EXPECT_EQ(missing.fontFile, "txt");
  EXPECT_FALSE(missing.record.isNull());

  TextParams s;
  s.text = "Serif";
  s.style = "DRAWING serif";
  const TextEntity inSerif = readTextEntity(db, addText(db, s));
  s.style = "Standard";
  const TextEntity inStandard = readTextEntity(db, addText(db, s));
  EXPECT_NE(inSerif.font, inStandard.font);
  EXPECT_NE(inSerif.layout.advance, inStandard.layout.advance);
  // An ATTDEF shows, and is measured by, its tag.
  s.type = "ATTDEF";
  const TextEntity attdef = readTextEntity(db, addText(db, s));
  EXPECT_EQ(attdef.text, L"TAG_Serif");
  EXPECT_THROW(readTextEntity(db, kx::db::findBlockRecord(db, "*Model_Space")),
               std::invalid_argument);
}

}  // namespace
