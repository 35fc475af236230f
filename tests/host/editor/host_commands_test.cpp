// Host commands run as a module runs them (kxedCommand), with coordinate conversions (kxedTrans),
// text boxes and display calls checked against the drawing they leave.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "api/host_names.h"
#include "db/draw_order.h"
#include "db/entities.h"
#include "db/header_values.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "kx/kxed.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace {

using kx::db::NewTag;
using kx::db::ObjectId;
using kx::geom::Vec3;

constexpr double kPi = std::numbers::pi;

using kx::test::expectNear;
using kx::test::pushPoint;

class HostCommandsTest : public kx::test::SdkTest {
 protected:
  HostCommandsTest()
      : doc(openNew()), db(doc.db()), model(kx::db::findBlockRecord(db, "*Model_Space")) {}

  ObjectId addText(Vec3 at, double rotationDegrees, const std::string& text) {
    return kx::test::addText(db, {.text = text, .position = at, .rotation = rotationDegrees});
  }
  ObjectId addLine(Vec3 a, Vec3 b) { return kx::test::addLine(db, a, b); }
  void name(ObjectId id, kds_name out) { kx::api::setName(out, db, id); }

  Vec3 trans(Vec3 p, const resbuf& from, const resbuf& to, int displacement = 0) {
    const double in[3] = {p.x, p.y, p.z};
    double out[3];
    EXPECT_EQ(kxedTrans(in, &from, &to, displacement, out), KXRT_NORM);
    return {out[0], out[1], out[2]};
  }
  static resbuf system(short code) {
    resbuf rb{};
    rb.code = KXRT_SHORT;
    rb.value.int16 = code;
    return rb;
  }
  Vec3 ucsXDir() {
    resbuf rb{};
    EXPECT_EQ(kxedGetVar(L"UCSXDIR", &rb), KXRT_NORM);
    return {rb.value.point[0], rb.value.point[1], rb.value.point[2]};
  }

  kx::editor::Document& doc;
  kx::db::Database& db;
  ObjectId model;
};

TEST_F(HostCommandsTest, UcsFromTextSaveWorldRestoreDelete) {
  const ObjectId text = addText({10, 5, 0}, 30, "Baseline");
  kds_name ename;
  name(text, ename);
  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_E", KXRT_ENAME, ename, KXRT_NONE),
            KXRT_NORM);

  const resbuf wcs = system(0), ucs = system(1);
  expectNear(trans({10, 5, 0}, wcs, ucs), {0, 0, 0});
  const double a = 30 * kPi / 180;
  expectNear(trans({10 + 7 * std::cos(a), 5 + 7 * std::sin(a), 0}, wcs, ucs), {7, 0, 0});
  expectNear(ucsXDir(), {std::cos(a), std::sin(a), 0});

  ASSERT_EQ(kxedCommand(KXRT_STR, L"UCS", KXRT_STR, L"_S", KXRT_STR, L"AlongText", KXRT_NONE),
            KXRT_NORM);
  EXPECT_EQ(kx::db::headerString(db, "$UCSNAME"), L"AlongText");
  ASSERT_TRUE(kx::db::findTableRecord(db, "UCS", L"alongtext"));

  ASSERT_EQ(kxedCommand(KXRT_STR, L"_UCS", KXRT_STR, L"_W", KXRT_NONE), KXRT_NORM);
  expectNear(ucsXDir(), {1, 0, 0});
  EXPECT_TRUE(doc.ucs().name.empty());

  // An unknown name changes nothing, nor do an entity of another drawing or a reply naming none.
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_R", KXRT_STR, L"Nowhere", KXRT_NONE),
            KXRT_ERROR);
  const kds_name foreign = {ename[0] + 1, ename[1]};
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_E", KXRT_ENAME, foreign, KXRT_NONE),
            KXRT_ERROR);
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_E", KXRT_STR, L"Baseline", KXRT_NONE),
            KXRT_ERROR);
  expectNear(ucsXDir(), {1, 0, 0});

  ASSERT_EQ(
      kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"Restore", KXRT_STR, L"ALONGTEXT", KXRT_NONE),
      KXRT_NORM);
  expectNear(ucsXDir(), {std::cos(a), std::sin(a), 0});
  EXPECT_EQ(doc.ucs().name, L"AlongText");
  expectNear(trans({10, 5, 0}, wcs, ucs), {0, 0, 0});

  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_D", KXRT_STR, L"AlongText", KXRT_NONE),
            KXRT_NORM);
  EXPECT_FALSE(kx::db::findTableRecord(db, "UCS", L"AlongText"));
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_D", KXRT_STR, L"AlongText", KXRT_NONE),
            KXRT_ERROR);
  // Running out of replies is an error too.
  for (const wchar_t* option : {L"_S", L"_R", L"_D"})
    EXPECT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, option, KXRT_NONE), KXRT_ERROR);

  // A polyline keeps its vertices in its own system: drawn mirrored, it starts at world x -5.
  name(kx::test::addEntityWith(db, "LWPOLYLINE",
                               kx::test::newTags("100 AcDbPolyline | 90 2 | 70 0 | 10 5 | 20 0 | "
                                                 "10 6 | 20 0 | 210 0 | 220 0 | 230 -1")),
       ename);
  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_E", KXRT_ENAME, ename, KXRT_NONE),
            KXRT_NORM);
  expectNear(trans({-5, 0, 0}, wcs, ucs), {0, 0, 0});
}

TEST_F(HostCommandsTest, TransRoundTripsThroughShiftedUcsAndTiltedOcs) {
  kx::editor::Ucs turned;
  turned.origin = {3, -2, 1};
  turned.xAxis = {std::cos(0.4), std::sin(0.4), 0};
  turned.yAxis = {-std::sin(0.4), std::cos(0.4), 0};
  doc.setUcs(turned);

  const resbuf wcs = system(0), ucs = system(1), display = system(2);
  const Vec3 p{4, 5, 6};
  const Vec3 world = trans(p, ucs, wcs);
  expectNear(world, turned.origin + turned.xAxis * 4 + turned.yAxis * 5 + Vec3{0, 0, 6});
  expectNear(trans(world, wcs, ucs), p);
  expectNear(trans(p, display, ucs), p);
  // A displacement ignores the origin.
  expectNear(trans({1, 0, 0}, ucs, wcs, 1), turned.xAxis);

  resbuf ocs{};
  ocs.code = KXRT_3DPOINT;
  const Vec3 normal = kx::geom::normalized({0.3, -0.5, 0.8});
  ocs.value.point[0] = normal.x;
  ocs.value.point[1] = normal.y;
  ocs.value.point[2] = normal.z;
  const Vec3 inOcs = trans(p, ucs, ocs);
  // The OCS z of a world point is its distance along the normal.
  EXPECT_NEAR(inOcs.z, kx::geom::dot(world, normal), 1e-9);
  expectNear(trans(inOcs, ocs, ucs), p);

  // An entity's own system is the OCS of its 210.
  std::vector<NewTag> body{{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbCircle"}};
  pushPoint(body, 10, inOcs);
  body.push_back({40, "1.0"});
  pushPoint(body, 210, normal);
  const ObjectId circle = kx::db::addEntity(db, model, "CIRCLE", body);
  resbuf entity{};
  entity.code = KXRT_ENAME;
  name(circle, entity.value.name);
  expectNear(trans(inOcs, entity, wcs), world);

  // Neither a system code no system has nor an erased entity is a system.
  resbuf bad = system(7);
  const double in[3] = {0, 0, 0};
  double out[3] = {9, 9, 9};
  EXPECT_EQ(kxedTrans(in, &bad, &wcs, 0, out), KXRT_ERROR);
  kx::db::setEntityErased(db, circle, true);
  EXPECT_EQ(kxedTrans(in, &entity, &wcs, 0, out), KXRT_ERROR);
  EXPECT_EQ(out[0], 9);
}

TEST_F(HostCommandsTest, DrawOrderCommandAndInherit) {
  const ObjectId a = addLine({0, 0, 0}, {1, 0, 0});
  const ObjectId b = addLine({0, 1, 0}, {1, 1, 0});
  const ObjectId c = addLine({0, 2, 0}, {1, 2, 0});
  kds_name na;
  name(a, na);
  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.draworder", KXRT_ENAME, na, KXRT_STR, L"", KXRT_STR,
                        L"_Front", KXRT_NONE),
            KXRT_NORM);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{b, c, a}));

  // Under c, then back to the bottom; an option it does not know changes nothing.
  kds_name nc;
  name(c, nc);
  ASSERT_EQ(kxedCommand(KXRT_STR, L"DRAWORDER", KXRT_ENAME, na, KXRT_STR, L"", KXRT_STR, L"_U",
                        KXRT_ENAME, nc, KXRT_NONE),
            KXRT_NORM);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{b, a, c}));
  EXPECT_EQ(kxedCommand(KXRT_STR, L"DRAWORDER", KXRT_ENAME, na, KXRT_STR, L"", KXRT_STR,
                        L"_Sideways", KXRT_NONE),
            KXRT_ERROR);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{b, a, c}));

  // Code 3 puts the child directly below the parent, 1 on top.
  KxDbObjectIdArray children;
  children.append(kx::api::objectIdOf(db, b));
  ASSERT_EQ(kxedDrawOrderInherit(kx::api::objectIdOf(db, c), children, 3), KXRT_NORM);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{a, b, c}));
  ASSERT_EQ(kxedDrawOrderInherit(kx::api::objectIdOf(db, c), children, 1), KXRT_NORM);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{a, c, b}));
  EXPECT_EQ(kxedDrawOrderInherit(kx::api::objectIdOf(db, c), children, 9), KXRT_ERROR);
  // An erased child among them cannot be ordered: nothing moves.
  db.setErased(a, true);
  children.append(kx::api::objectIdOf(db, a));
  EXPECT_EQ(kxedDrawOrderInherit(kx::api::objectIdOf(db, c), children, 3), KXRT_ERROR);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{c, b}));
}

TEST_F(HostCommandsTest, RedrawHighlightsAndOrthoAndUnknownCommands) {
  const ObjectId line = addLine({0, 0, 0}, {1, 1, 0});
  kds_name n;
  name(line, n);
  EXPECT_EQ(kxedRedraw(n, 3), KXRT_NORM);
  EXPECT_TRUE(doc.highlighted().contains(line));
  EXPECT_EQ(kxedRedraw(n, 4), KXRT_NORM);
  EXPECT_FALSE(doc.highlighted().contains(line));
  // The whole drawing is redrawn or regenerated, never highlighted.
  for (int mode = 0; mode <= 4; ++mode)
    EXPECT_EQ(kxedRedraw(nullptr, mode), mode <= 2 ? KXRT_NORM : KXRT_ERROR) << mode;
  for (const int unknown : {-1, 5}) EXPECT_EQ(kxedRedraw(n, unknown), KXRT_ERROR) << unknown;
  const kds_name bogus = {n[0], 99999};
  EXPECT_EQ(kxedRedraw(bogus, 3), KXRT_ERROR);

  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.REDRAW", KXRT_NONE), KXRT_NORM);
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.ORTHO", KXRT_STR, L"_ON", KXRT_NONE), KXRT_NORM);
  EXPECT_EQ(kx::db::headerInteger(db, "$ORTHOMODE"), 1);
  EXPECT_EQ(kxedCommand(KXRT_STR, L"ortho", KXRT_STR, L"sideways", KXRT_NONE), KXRT_ERROR);
  EXPECT_EQ(kx::db::headerInteger(db, "$ORTHOMODE"), 1);
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.NOSUCHCOMMAND", KXRT_NONE), KXRT_ERROR);
  // A selection given a word, not an entity, explodes nothing.
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.EXPLODE", KXRT_STR, L"everything", KXRT_NONE), KXRT_ERROR);
}

// A module's null pointer is refused wherever it stands among the arguments, never followed.
TEST_F(HostCommandsTest, EntryPointsRefuseANullPointerInAnyPlace) {
  const double p[3] = {0, 0, 0};
  double out[3];
  resbuf value = system(0);
  kds_name name{};
  addLine({0, 0, 0}, {1, 0, 0});
  EXPECT_EQ(kxedTrans(nullptr, &value, &value, 0, out), KXRT_ERROR);
  EXPECT_EQ(kxedTrans(p, &value, &value, 0, nullptr), KXRT_ERROR);
  EXPECT_EQ(kxdbEntLast(nullptr), KXRT_ERROR);
  EXPECT_EQ(kxdbHandEnt(nullptr, name), KXRT_ERROR);
  EXPECT_EQ(kxdbHandEnt(L"1", nullptr), KXRT_ERROR);
  EXPECT_EQ(kxdbTblSearch(L"LAYER", nullptr, 0), nullptr);
  EXPECT_EQ(kxdbEntNext(nullptr, nullptr), KXRT_ERROR);
  EXPECT_EQ(kxedGetVar(nullptr, &value), KXRT_ERROR);
  EXPECT_EQ(kxedGetVar(L"CLAYER", nullptr), KXRT_ERROR);
  EXPECT_EQ(kxedSetVar(nullptr, &value), KXRT_ERROR);
  EXPECT_EQ(kxedSetVar(L"CLAYER", nullptr), KXRT_ERROR);
}

TEST_F(HostCommandsTest, TextBoxOfEntityAndOfBareList) {
  const ObjectId text = addText({10, 5, 0}, 30, "Box");
  kds_name n;
  name(text, n);
  resbuf* list = kxutBuildList(-1, n, KXRT_DXF0, L"TEXT", 0);
  ASSERT_NE(list, nullptr);
  double ll[3], ur[3];
  EXPECT_EQ(kxedTextBox(list, nullptr, ur), KXRT_ERROR);
  ASSERT_EQ(kxedTextBox(list, ll, ur), KXRT_NORM);
  // Unrotated, relative to the insertion point: capitals of height 2.5 from the baseline.
  EXPECT_NEAR(ll[1], 0, 0.3);
  EXPECT_NEAR(ur[1], 2.5, 0.3);
  EXPECT_GT(ur[0], 3);
  kxutRelRb(list);

  // The same text described only by its groups measures the same: a definition shows its tag, a
  // style the list names is the one it is measured in, whatever the current one is, and a height
  // or width factor of 0 is none (the drawing's text size, 2.5 here, and the style's factor).
  kx::db::ObjectFields(db, kx::test::addStyle(db, "Wide", "arial.ttf")).setReal(41, 2.0);
  kx::db::setHeaderString(db, "$TEXTSTYLE", 7, L"Wide");
  double ll2[3], ur2[3];
  for (resbuf* bare :
       {kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"Box", 40, 2.5, 7, L"Standard", 0),
        kxutBuildList(KXRT_DXF0, L"ATTDEF", 1, L"", 2, L"Box", 40, 2.5, 7, L"STANDARD", 0),
        kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"Box", 40, 0.0, 41, 0.0, 7, L"Standard", 0)}) {
    ASSERT_EQ(kxedTextBox(bare, ll2, ur2), KXRT_NORM);
    EXPECT_NEAR(ur2[0], ur[0], 1e-9);
    EXPECT_NEAR(ur2[1], ur[1], 1e-9);
    kxutRelRb(bare);
  }
  // A list that names an entity is measured by that entity, so one naming a line is refused.
  name(addLine({0, 0, 0}, {1, 0, 0}), n);
  list = kxutBuildList(-1, n, KXRT_DXF0, L"TEXT", 1, L"Box", 0);
  EXPECT_EQ(kxedTextBox(list, ll2, ur2), KXRT_ERROR);
  kxutRelRb(list);

  // An MTEXT measures from the origin: the corners' difference is its size.
  std::vector<NewTag> body{{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbMText"}};
  pushPoint(body, 10, {20, 30, 0});
  body.insert(body.end(), {{40, "2.0"}, {71, "1"}, {1, "One\\PTwo"}});
  name(kx::db::addEntity(db, model, "MTEXT", body), n);
  resbuf* mtext = kxutBuildList(-1, n, 0);
  ASSERT_EQ(kxedTextBox(mtext, ll, ur), KXRT_NORM);
  kxutRelRb(mtext);
  EXPECT_EQ(ll[0], 0);
  EXPECT_EQ(ll[1], 0);
  EXPECT_GT(ur[0], 4);
  EXPECT_GT(ur[1], 4);  // two lines of height 2 and the gap between them
}

}  // namespace
