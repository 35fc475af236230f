// Block references: exploded into copies of their block's entities placed by the reference, and
// picked inside at a prompt, which gives the entity, the references holding it and the transform.

#include "editor/block_explode.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "api/host_names.h"
#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "editor/prompts.h"
#include "kx/kxed.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace {

using namespace kx::test;
using kx::db::ObjectId;
using kx::geom::Vec3;

void expectPoint(const kx::db::FieldReader& f, int code, Vec3 p) {
  const kx::db::Point3 q = f.point(code);
  EXPECT_NEAR(q.x, p.x, 1e-9) << "group " << code;
  EXPECT_NEAR(q.y, p.y, 1e-9) << "group " << code;
  EXPECT_NEAR(q.z, p.z, 1e-9) << "group " << code;
}

class BlockReferencesTest : public kx::test::SdkTest {
 protected:
  BlockReferencesTest()
      : doc(openNew()), db(doc.db()), model(kx::db::findBlockRecord(db, "*Model_Space")) {
    kx::editor::InputSource::instance().reset();
  }
  ~BlockReferencesTest() override { kx::editor::InputSource::instance().reset(); }

  ObjectId picked(const kds_name name) const { return db.fromEntityName({name[0], name[1]}); }
  int explode(ObjectId id) {
    kds_name n;
    kx::api::setName(n, db, id);
    return kxedCommand(KXRT_STR, L"_.EXPLODE", KXRT_ENAME, n, KXRT_STR, L"", KXRT_NONE);
  }

  kx::editor::Document& doc;
  kx::db::Database& db;
  ObjectId model;
};

TEST_F(BlockReferencesTest, ScaledTurnedReferencePlacesEveryEntity) {
  const ObjectId part = addBlock(db, "Part", {1, 1, 0});
  addLine(db, {1, 1, 0}, {3, 1, 0}, {.block = part});
  addEntityWith(db, "ARC",
                newTags("100 AcDbCircle | 10 2.0 | 20 2.0 | 30 0.0 | 40 0.5 | 100 AcDbArc | 50 0.0"
                        " | 51 90.0"),
                {.block = part});
  addText(db, {.text = "Label", .position = {1, 2, 0}}, {.block = part});

  // Scale 2, a quarter turn, at (10, 20): p -> (10, 20) + turn(2 (p - base)).
  const ObjectId ref = addInsert(db, "Part", {10, 20, 0}, {2, 2, 2}, 90);
  ASSERT_EQ(explode(ref), KXRT_NORM);
  EXPECT_TRUE(db.isErased(ref));

  const std::vector<ObjectId> made = kx::db::blockEntities(db, model);
  ASSERT_EQ(made.size(), 3u);
  EXPECT_TRUE(db.isType(made[0], "LINE"));
  expectPoint(kx::db::FieldReader(db, made[0]), 10, {10, 20, 0});
  expectPoint(kx::db::FieldReader(db, made[0]), 11, {10, 24, 0});
  const kx::db::FieldReader a(db, made[1]);
  expectPoint(a, 10, {8, 22, 0});
  EXPECT_NEAR(a.real(40), 1, 1e-9);
  EXPECT_NEAR(a.angle(50), std::numbers::pi / 2, 1e-9);
  EXPECT_NEAR(a.angle(51), std::numbers::pi, 1e-9);
  const kx::db::FieldReader t(db, made[2]);
  expectPoint(t, 10, {8, 20, 0});
  EXPECT_NEAR(t.real(40), 5, 1e-9);
  EXPECT_NEAR(t.angle(50), std::numbers::pi / 2, 1e-9);
  EXPECT_EQ(t.string(1), L"Label");
  // The copies are new entities with handles of their own.
  EXPECT_NE(db.handle(made[0]), 0u);
  EXPECT_EQ(db.owner(made[0]), model);
}

TEST_F(BlockReferencesTest, RefusedReferencesLeaveTheDrawingAlone) {
  const ObjectId loop = addBlock(db, "Loop", {0, 0, 0});
  const ObjectId inner = addBlock(db, "Inner", {0, 0, 0});
  addInsert(db, "Inner", {1, 0, 0}, {1, 1, 1}, 0, {.block = loop});
  addInsert(db, "Loop", {0, 1, 0}, {1, 1, 1}, 0, {.block = inner});  // Loop -> Inner -> Loop
  const ObjectId ref = addInsert(db, "Loop", {5, 5, 0});

  const ObjectId round = addBlock(db, "Round", {0, 0, 0});
  addEntityWith(db, "CIRCLE", newTags("100 AcDbCircle | 10 0.0 | 20 0.0 | 30 0.0 | 40 1.0"),
                {.block = round});
  const ObjectId squashed = addInsert(db, "Round", {0, 0, 0}, {2, 1, 2});

  EXPECT_FALSE(kx::editor::explodeReference(db, ref).error.empty());
  EXPECT_TRUE(kx::editor::explodeReference(db, ref).entities.empty());
  EXPECT_FALSE(kx::editor::explodeReference(db, squashed).error.empty());

  const std::size_t objects = db.objectCount();
  const auto seed = db.handleSeed();
  const std::vector<ObjectId> before = kx::db::blockEntities(db, model);
  EXPECT_EQ(explode(ref), KXRT_ERROR);
  EXPECT_EQ(explode(squashed), KXRT_ERROR);
  EXPECT_EQ(db.objectCount(), objects);
  EXPECT_EQ(db.handleSeed(), seed);
  EXPECT_EQ(kx::db::blockEntities(db, model), before);

  // A nested reference in a block that does not contain itself stays one INSERT, placed.
  const ObjectId outer = addBlock(db, "Outer", {0, 0, 0});
  addInsert(db, "Round", {1, 0, 0}, {1, 1, 1}, 0, {.block = outer});
  const ObjectId twice = addInsert(db, "Outer", {0, 0, 0}, {3, 3, 3});
  const kx::editor::ExplodedReference pieces = kx::editor::explodeReference(db, twice);
  ASSERT_TRUE(pieces.error.empty()) << pieces.error;
  ASSERT_EQ(pieces.entities.size(), 1u);
  EXPECT_EQ(pieces.entities[0].type, "INSERT");
  ASSERT_EQ(explode(twice), KXRT_NORM);
  const ObjectId nested = kx::db::blockEntities(db, model).back();
  const kx::db::FieldReader n(db, nested);
  expectPoint(n, 10, {3, 0, 0});
  EXPECT_NEAR(n.real(41), 3, 1e-9);
  EXPECT_NEAR(n.real(42), 3, 1e-9);

  // Writers of flat drawings leave the Z scale 0: what lies in the XY plane explodes all the same.
  const ObjectId flatRef = addInsert(db, "Round", {0, 0, 0}, {1, 1, 0});
  const kx::editor::ExplodedReference circles = kx::editor::explodeReference(db, flatRef);
  EXPECT_TRUE(circles.error.empty()) << circles.error;
  EXPECT_EQ(circles.entities.size(), 1u);
}

// INNER holds a line from (0,0) to (10,0); OUTER holds INNER at (0,5); the drawing holds OUTER
// at (100,100) rotated 90 degrees and scaled 2. The inner line lies on x = 90 from y = 100 to
// 120 in the world.
TEST_F(BlockReferencesTest, NestedPicksGiveTheEntityAndItsContainers) {
  const ObjectId inner = addBlock(db, "INNER", {0, 0, 0});
  const ObjectId nestedLine = addLine(db, {0, 0, 0}, {10, 0, 0}, {.block = inner});
  const ObjectId outer = addBlock(db, "OUTER", {0, 0, 0});
  const ObjectId innerRef = addInsert(db, "INNER", {0, 5, 0}, {1, 1, 1}, 0, {.block = outer});
  const ObjectId outerLine = addLine(db, {0, 0, 0}, {0, -10, 0}, {.block = outer});
  const ObjectId outerRef = addInsert(db, "OUTER", {100, 100, 0}, {2, 2, 2}, 90);

  for (const wchar_t* reply : {L"90,110", L"90,110", L"110,100"})
    kx::editor::InputSource::instance().queue(reply);
  kds_name e;
  double p[3];
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);
  EXPECT_EQ(picked(e), outerRef);  // a plain pick takes the reference

  double xform[4][4];
  resbuf* containers = nullptr;
  ASSERT_EQ(kxedNEntSelP(L"Pick: ", e, p, 0, xform, &containers), KXRT_NORM);
  EXPECT_EQ(picked(e), nestedLine);
  std::vector<ObjectId> chain;
  for (const resbuf* rb = containers; rb; rb = rb->next) {
    EXPECT_EQ(rb->code, KXRT_ENAME);
    chain.push_back(picked(rb->value.name));
  }
  EXPECT_EQ(chain, (std::vector<ObjectId>{innerRef, outerRef}));
  kxutRelRb(containers);
  // The transform takes the line's end (10, 0) in INNER to the world.
  const double x = xform[0][0] * 10 + xform[0][3], y = xform[1][0] * 10 + xform[1][3];
  EXPECT_NEAR(x, 90, 1e-9);
  EXPECT_NEAR(y, 120, 1e-9);
  EXPECT_EQ(xform[3][3], 1);

  // The outer block's own line, picked without asking: one container.
  double at[3] = {110, 100, 0};
  ASSERT_EQ(kxedNEntSelP(nullptr, e, at, 1, xform, &containers), KXRT_NORM);
  EXPECT_EQ(picked(e), outerLine);
  ASSERT_NE(containers, nullptr);
  EXPECT_EQ(picked(containers->value.name), outerRef);
  EXPECT_EQ(containers->next, nullptr);
  kxutRelRb(containers);

  // A top-level entity has no containers and the identity transform.
  const ObjectId plain = addLine(db, {0, 0, 0}, {0, 50, 0});
  double on[3] = {0, 25, 0};
  ASSERT_EQ(kxedNEntSelP(nullptr, e, on, 1, xform, &containers), KXRT_NORM);
  EXPECT_EQ(picked(e), plain);
  EXPECT_EQ(containers, nullptr);
  EXPECT_EQ(xform[0][0], 1);
  EXPECT_EQ(xform[0][3], 0);
}

}  // namespace
