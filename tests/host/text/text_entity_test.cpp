// TEXT, ATTDEF and ATTRIB in a drawing: styles, boxes, WCS extents and keeping justified texts
// where their alignment point says.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "support/drawing.h"
#include "text/text_entity.h"

namespace {

using kx::db::Database;
using kx::db::NewTag;
using kx::db::ObjectId;
using kx::geom::Vec3;
using namespace kx::text;

using kx::test::addText;
using kx::test::expectNear;
using kx::test::TextSpec;

TEST(TextEntity, AlignmentPointsSitWhereTheirJustificationSays) {
  Database db = kx::db::newDrawing();
  TextSpec s;
  s.text = "HHHH";
  s.alignment = Vec3{100, 50, 0};
  s.position = {0, 0, 0};  // stale: the alignment point anchors the text
  const double h = s.height;
  auto justified = [&](int horizontal, int vertical) {
    s.horizontal = horizontal;
    s.vertical = vertical;
    return readTextEntity(db, addText(db, s));
  };
  auto inkOf = [&](int horizontal, int vertical) {
    return textBox(justified(horizontal, vertical));
  };
  auto worldInk = [&](int horizontal, int vertical) {
    const auto c = boxCorners(justified(horizontal, vertical));
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
  TextSpec s;
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
  TextSpec s;
  s.text = "Plane";
  s.position = {2, 3, 5};  // OCS: 2 along the OCS x, 3 along its y, elevation 5
  s.normal = Vec3{1, 0, 0};
  const TextEntity t = readTextEntity(db, addText(db, s));
  const auto e = geomExtents(t);
  ASSERT_TRUE(e);
  const Box2 box = textBox(t);
  // With normal +X the OCS x axis is world Y and its y axis world Z (the arbitrary axis rule).
  expectNear(e->min, {5, 2 + box.xMin, 3 + box.yMin}, 1e-12);
  expectNear(e->max, {5, 2 + box.xMax, 3 + box.yMax}, 1e-12);

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
  expectNear(picture.glyphs[0].fontToWorld.apply({0, 0, 0}), {5, 2, 3}, 1e-12);
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
  const ObjectId serif = kx::test::addStyle(db, "Serif", "DejaVuSerif.ttf");
  TextSpec s;
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
  kx::test::addStyle(db, "Drawing Serif", "DejaVuSerif.ttf");
  // A missing style shows as Standard.
  const TextStyle missing = findTextStyle(db, L"No such style");
  EXPECT_EQ(missing.name, L"Standard");
  EXPECT_EQ(missing.fontFile, "txt");
  EXPECT_FALSE(missing.record.isNull());

  TextSpec s;
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
