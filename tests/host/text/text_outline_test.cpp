// Text to geometry: glyph outlines as closed LWPOLYLINEs in the text's plane, layer and colour.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "support/drawing.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"
#include "text/text_outline.h"

namespace {

using kx::db::Database;
using kx::db::NewTag;
using kx::db::ObjectId;
using kx::geom::Vec2;
using kx::geom::Vec3;
using namespace kx::text;

// A slanted text.
ObjectId addText(Database& db, const std::string& text, Vec3 position, double rotation,
                 std::optional<Vec3> normal = {}) {
  return kx::test::addText(db, {.text = text,
                                .position = position,
                                .height = 4,
                                .rotation = rotation,
                                .oblique = 12,
                                .normal = normal});
}

struct Polyline {
  bool closed = false;
  long long color = 256;
  double elevation = 0;
  Vec3 normal;
  std::vector<Vec2> points;  // OCS
};

Polyline readPolyline(const Database& db, ObjectId id) {
  const kx::db::FieldReader f(db, id);
  Polyline p;
  p.closed = f.integer(70) & 1;
  p.color = f.integer(62);
  p.elevation = f.real(38);
  const auto n = f.point(210);
  p.normal = {n.x, n.y, n.z};
  const auto tags = db.tags(id);
  for (std::size_t i = 0; i + 1 < tags.size(); ++i)
    if (tags[i].code == 10 && tags[i + 1].code == 20)
      p.points.push_back(
          {std::stod(std::string(db.text(tags[i]))), std::stod(std::string(db.text(tags[i + 1])))});
  EXPECT_EQ(static_cast<std::size_t>(f.integer(90)), p.points.size());
  return p;
}

TEST(TextOutline, GlyphContoursAreClosedPolylinesInsideTheTextBox) {
  Database db = kx::db::newDrawing();
  const Vec3 normal = kx::geom::normalized({0, -0.6, 0.8});
  const ObjectId plain = addText(db, "Hi8", {5, 5, 0}, 30);
  const ObjectId tilted = addText(db, "Hi8", {1, 2, 7}, 0, normal);
  const ObjectId underlined = addText(db, "%%uAB", {0, 0, 0}, 0);

  for (const ObjectId id : {plain, tilted}) {
    const TextEntity text = readTextEntity(db, id);
    const kx::geom::Matrix3d toText = text.textToWorld().inverse();
    const Box2 ink = text.layout.ink;
    const std::vector<ObjectId> made = textToOutlines(db, id);
    // H has one contour, i two, 8 three.
    EXPECT_EQ(made.size(), 6u);
    for (const ObjectId e : made) {
      ASSERT_TRUE(db.isType(e, "LWPOLYLINE"));
      EXPECT_EQ(db.owner(e), db.owner(id));
      const Polyline p = readPolyline(db, e);
      EXPECT_TRUE(p.closed);
      EXPECT_GE(p.points.size(), 4u);
      EXPECT_NEAR(p.elevation, text.elevation, 1e-12);
      EXPECT_NEAR((p.normal - text.normal).length(), 0, 1e-12);
      // Back in the text's own coordinates every vertex lies within its ink box.
      const kx::geom::Matrix3d ocsToWorld = kx::geom::ocsToWorld(p.normal);
      for (const Vec2& v : p.points) {
        const Vec3 local = toText.apply(ocsToWorld.apply({v.x, v.y, p.elevation}));
        EXPECT_NEAR(local.z, 0, 1e-9);
        EXPECT_GE(local.x, ink.xMin - 1e-9);
        EXPECT_LE(local.x, ink.xMax + 1e-9);
        EXPECT_GE(local.y, ink.yMin - 1e-9);
        EXPECT_LE(local.y, ink.yMax + 1e-9);
      }
    }
  }

  // An underline is an open two-point polyline under the glyphs, as long as the text.
  const TextEntity text = readTextEntity(db, underlined);
  std::size_t open = 0;
  for (const ObjectId e : textToOutlines(db, underlined)) {
    const Polyline p = readPolyline(db, e);
    if (p.closed) continue;
    ++open;
    ASSERT_EQ(p.points.size(), 2u);
    EXPECT_LT(p.points[0].y, 0);
    EXPECT_NEAR(std::abs(p.points[1].x - p.points[0].x), text.layout.advance, 1e-9);
  }
  EXPECT_EQ(open, 1u);
  // The text itself stays.
  EXPECT_FALSE(db.isErased(underlined));
}

TEST(TextOutline, MTextRunsKeepTheirColours) {
  Database db = kx::db::newDrawing();
  const ObjectId mtext = kx::db::addEntity(
      db, kx::db::findBlockRecord(db, "*Model_Space"), "MTEXT",
      kx::test::newTags("100 AcDbEntity | 8 Marks | 100 AcDbMText | 10 10.0 | 20 10.0 | 30 0.0"
                        " | 40 5.0 | 71 7 | 1 I{\\C1;I}\\PO | 50 90.0"));
  // Turned by 90 degrees and attached bottom-left: the frame runs up from (10, 10) and to its left
  // (frames are checked in MTextEntity); the outlines stay inside it.
  const FrameCorners frame = mtextFrame(db, mtext, 0);
  const std::vector<ObjectId> made = textToOutlines(db, mtext);
  ASSERT_EQ(made.size(), 4u);  // I, I, and the two contours of O
  std::vector<long long> colors;
  for (const ObjectId e : made) {
    const Polyline p = readPolyline(db, e);
    EXPECT_TRUE(p.closed);
    colors.push_back(p.color);
    for (const Vec2& v : p.points) {
      EXPECT_GE(v.x, frame.topLeft.x - 1e-9);
      EXPECT_LE(v.x, frame.bottomLeft.x + 1e-9);
      EXPECT_GE(v.y, frame.bottomLeft.y - 1e-9);
      EXPECT_LE(v.y, frame.bottomRight.y + 1e-9);
    }
  }
  EXPECT_EQ(colors, (std::vector<long long>{256, 1, 256, 256}));

  // A text of something else is refused.
  EXPECT_THROW(textToOutlines(db, made.front()), std::invalid_argument);
}

}  // namespace
