#include "db/wipeouts.h"

#include <gtest/gtest.h>

#include <vector>

#include "db/dictionaries.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/header_values.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "kx/kxed.h"
#include "support/ezdxf.h"
#include "support/sdk_fixture.h"

namespace {

using kx::db::ObjectId;
using kx::geom::Vec3;

bool hasClass(const kx::db::Database& db, std::string_view name) {
  const kx::db::Section* classes = db.findSection("CLASSES");
  if (!classes) return false;
  int found = 0;
  for (ObjectId id : classes->records)
    if (db.isType(id, "CLASS") && kx::db::FieldReader(db, id).rawText(1) == name) ++found;
  return found == 1;
}

TEST(WipeoutsTest, OutlineBecomesImageClip) {
  kx::db::Database db = kx::db::newDrawing();
  const ObjectId model = kx::db::findBlockRecord(db, "*Model_Space");
  EXPECT_EQ(kx::db::wipeoutFrame(db), 1);
  const Vec3 triangle[] = {{2, 1, 0}, {6, 1, 0}, {6, 3, 0}, {2, 1, 0}};
  const ObjectId w = kx::db::addWipeout(db, model, triangle, L"0");
  ASSERT_TRUE(w);
  // Insertion point, u and v vectors, a polygonal clip of three corners and the first again.
  const std::pair<int, std::string> groups[] = {{10, "2.0"}, {20, "1.0"}, {11, "4.0"}, {21, "0.0"},
                                                {12, "0.0"}, {22, "2.0"}, {71, "2"},   {91, "4"}};
  const kx::db::FieldReader wipeout(db, w);
  for (const auto& [code, value] : groups)
    EXPECT_EQ(wipeout.rawText(code, "AcDbWipeout"), value) << code;

  // Clip vertices: x from -0.5 at the left, y from 0.5 at the bottom (image y runs down).
  std::vector<std::pair<double, double>> clip;
  const auto tags = db.tags(w);
  for (std::size_t i = 0; i + 1 < tags.size(); ++i)
    if (tags[i].code == 14)
      clip.emplace_back(std::stod(std::string(db.text(tags[i]))),
                        std::stod(std::string(db.text(tags[i + 1]))));
  const std::vector<std::pair<double, double>> expected = {
      {-0.5, 0.5}, {0.5, 0.5}, {0.5, -0.5}, {-0.5, 0.5}};
  EXPECT_EQ(clip, expected);

  EXPECT_TRUE(hasClass(db, "WIPEOUT"));
  EXPECT_TRUE(hasClass(db, "WIPEOUTVARIABLES"));
  const ObjectId vars =
      kx::db::dictionaryLookup(db, kx::db::namedObjectsDictionary(db), L"ACAD_WIPEOUT_VARS");
  ASSERT_TRUE(vars);
  EXPECT_TRUE(db.isType(vars, "WIPEOUTVARIABLES"));
  kx::db::setWipeoutFrame(db, 0);
  EXPECT_EQ(kx::db::wipeoutFrame(db), 0);
  // A second wipeout adds no second class or variables object.
  const Vec3 square[] = {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}};
  ASSERT_TRUE(kx::db::addWipeout(db, model, square, L"0"));
  EXPECT_TRUE(hasClass(db, "WIPEOUT"));
  EXPECT_EQ(kx::db::wipeoutFrame(db), 0);

  const Vec3 line[] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}};
  const Vec3 two[] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}};
  EXPECT_FALSE(kx::db::addWipeout(db, model, line, L"0"));
  EXPECT_FALSE(kx::db::addWipeout(db, model, two, L"0"));
}

class WipeoutCommandTest : public kx::test::SdkTest {};

TEST_F(WipeoutCommandTest, MadeByCommandAndReadByAnotherReader) {
  kx::editor::Document& doc = openNew();
  kx::db::Database& db = doc.db();
  const double p1[3] = {10, 10, 0}, p2[3] = {30, 10, 0}, p3[3] = {30, 25, 0}, p4[2] = {10, 25};
  // An outline that is never closed, or has too few points, makes nothing.
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_3DPOINT, p1, KXRT_3DPOINT, p2, KXRT_NONE),
            KXRT_ERROR);
  EXPECT_EQ(kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_3DPOINT, p1, KXRT_3DPOINT, p2, KXRT_STR, L"",
                        KXRT_NONE),
            KXRT_ERROR);
  const ObjectId model = kx::db::findBlockRecord(db, "*Model_Space");
  EXPECT_TRUE(kx::db::blockEntities(db, model).empty());

  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_3DPOINT, p1, KXRT_3DPOINT, p2, KXRT_3DPOINT,
                        p3, KXRT_POINT, p4, KXRT_STR, L"", KXRT_NONE),
            KXRT_NORM);
  ASSERT_EQ(kx::db::blockEntities(db, model).size(), 1u);
  // Frames: shown or hidden for every wipeout, by ON or OFF and nothing else.
  ASSERT_EQ(kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_STR, L"_Frames", KXRT_STR, L"OFF", KXRT_NONE),
            KXRT_NORM);
  EXPECT_EQ(kx::db::wipeoutFrame(db), 0);
  EXPECT_EQ(
      kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_STR, L"_Frames", KXRT_STR, L"Maybe", KXRT_NONE),
      KXRT_ERROR);
  EXPECT_EQ(kx::db::wipeoutFrame(db), 0);

  if (!kx::test::haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  EXPECT_TRUE(kx::test::readWithEzdxf(db, R"py(auditor = doc.audit()
assert not auditor.has_errors, [str(e.message) for e in auditor.errors]
wipeouts = doc.modelspace().query("WIPEOUT")
assert len(wipeouts) == 1, len(wipeouts)
points = [(round(p.x, 6), round(p.y, 6)) for p in wipeouts[0].boundary_path_wcs()]
assert points == [(10, 10), (30, 10), (30, 25), (10, 25), (10, 10)], points
assert doc.rootdict.get("ACAD_WIPEOUT_VARS") is not None)py")
                  .ok);
}

}  // namespace
