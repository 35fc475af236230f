#include "db/draw_order.h"

#include <gtest/gtest.h>

#include <vector>

#include <fmt/format.h>

#include "db/dictionaries.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "support/drawing.h"

namespace {

using kx::db::Database;
using kx::db::DrawOrderMove;
using kx::db::ObjectId;

ObjectId addPoint(Database& db, ObjectId block, double x) {
  return kx::db::addEntity(db, block, "POINT",
                           kx::test::newTags("100 AcDbEntity | 8 0 | 100 AcDbPoint | 10 " +
                                             kx::db::formatReal(x) + " | 20 0.0 | 30 0.0"));
}

TEST(DrawOrderTest, MovesKeepTheTableConsistent) {
  Database db = kx::db::newDrawing();
  const ObjectId model = kx::db::findBlockRecord(db, "*Model_Space");
  std::vector<ObjectId> e;
  for (int i = 0; i < 5; ++i) e.push_back(addPoint(db, model, i));
  EXPECT_EQ(kx::db::drawOrder(db, model), e);
  EXPECT_FALSE(kx::db::findSortTable(db, model));

  // To the top: the moved ones keep their order among themselves.
  const ObjectId up[] = {e[3], e[1]};
  kx::db::moveInDrawOrder(db, model, up, DrawOrderMove::ToTop);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{e[0], e[2], e[4], e[1], e[3]}));

  // The table hangs off the block record's extension dictionary and names the block.
  const ObjectId table = kx::db::findSortTable(db, model);
  ASSERT_TRUE(table);
  EXPECT_EQ(table,
            kx::db::dictionaryLookup(db, kx::db::extensionDictionary(db, model), L"ACAD_SORTENTS"));
  EXPECT_EQ(kx::db::FieldReader(db, table).rawText(330, "AcDbSortentsTable"),
            std::optional<std::string_view>(fmt::format("{:X}", db.handle(model))));

  const ObjectId down[] = {e[4]};
  kx::db::moveInDrawOrder(db, model, down, DrawOrderMove::ToBottom);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{e[4], e[0], e[2], e[1], e[3]}));
  const ObjectId above[] = {e[0]};
  kx::db::moveInDrawOrder(db, model, above, DrawOrderMove::Above, e[1]);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{e[4], e[2], e[1], e[0], e[3]}));
  kx::db::moveInDrawOrder(db, model, above, DrawOrderMove::Below, e[4]);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{e[0], e[4], e[2], e[1], e[3]}));
  // A target outside the block or among the moved ones changes nothing.
  kx::db::moveInDrawOrder(db, model, above, DrawOrderMove::Above, e[0]);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{e[0], e[4], e[2], e[1], e[3]}));
  EXPECT_EQ(kx::db::ensureSortTable(db, model), table);

  // The drawing read back has the same order. (Pictures draw by it: the render tests.)
  const std::vector<ObjectId> expected = kx::db::drawOrder(db, model);
  const std::string text = kx::db::writeDxf(db);
  kx::db::LoadedDrawing back = kx::db::readDxf(text, "draw_order");
  const ObjectId model2 = kx::db::findBlockRecord(back.db, "*Model_Space");
  std::vector<std::uint64_t> handles, handlesBack;
  for (ObjectId id : expected) handles.push_back(db.handle(id));
  for (ObjectId id : kx::db::drawOrder(back.db, model2)) handlesBack.push_back(back.db.handle(id));
  EXPECT_EQ(handlesBack, handles);
}

TEST(DrawOrderTest, TiedKeysFromAnotherWriterAreSortedOut) {
  Database db = kx::db::newDrawing();
  const ObjectId model = kx::db::findBlockRecord(db, "*Model_Space");
  const ObjectId a = addPoint(db, model, 0), b = addPoint(db, model, 1), c = addPoint(db, model, 2);
  // A table that gives a the key of c's own handle: a and c tie, file order decides.
  const ObjectId table = kx::db::ensureSortTable(db, model);
  ASSERT_TRUE(table);
  const std::size_t end = db.tags(table).size();
  db.insertTag(table, end, 331, fmt::format("{:X}", db.handle(a)));
  db.insertTag(table, end + 1, 5, fmt::format("{:X}", db.handle(c)));
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{b, a, c}));
  const ObjectId bottom[] = {c};
  kx::db::moveInDrawOrder(db, model, bottom, DrawOrderMove::ToBottom);
  EXPECT_EQ(kx::db::drawOrder(db, model), (std::vector<ObjectId>{c, b, a}));
}

}  // namespace
