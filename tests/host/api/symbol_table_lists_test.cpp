// kxdbTblSearch and kxdbTblNext.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/host_names.h"
#include "db/dictionaries.h"
#include "db/entities.h"
#include "db/groups.h"
#include "db/symbol_tables.h"
#include "kx/kxdb.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace {

using kx::test::RbList;

class SymbolTableListTest : public kx::test::SdkTest {
 protected:
  void SetUp() override { openNew(); }
  kx::db::Database& db() { return kx::editor::Session::instance().active()->db(); }
};

TEST_F(SymbolTableListTest, SearchAndWalkTablesWithoutRegardToCase) {
  // Two more layers, one locked.
  const double p[3] = {0, 0, 0};
  for (const wchar_t* layer : {L"Walls", L"Doors"})
    ASSERT_FALSE(made(kxutBuildList(KXRT_DXF0, L"POINT", 8, layer, 10, p, 0)).isNull());
  // Walls is tied to another object, as layers of real drawings often are.
  kx::db::addReactor(db(), kx::db::findTableRecord(db(), "LAYER", L"Walls"),
                     kx::db::namedObjectsDictionary(db()));
  const RbList walls(kxdbTblSearch(L"layer", L"WALLS", 0));
  ASSERT_NE(walls.head, nullptr);
  EXPECT_STREQ(walls.head->value.string, L"LAYER");
  EXPECT_STREQ(walls.find(2)->value.string, L"Walls");
  EXPECT_EQ(walls.find(62)->value.int16, 7);
  EXPECT_EQ(walls.find(-1), nullptr);
  EXPECT_EQ(walls.find(5), nullptr);
  EXPECT_EQ(walls.find(100), nullptr);
  EXPECT_EQ(walls.find(102), nullptr);
  EXPECT_EQ(walls.find(330), nullptr);
  EXPECT_EQ(kxdbTblSearch(L"LAYER", L"Nope", 0), nullptr);
  EXPECT_EQ(kxdbTblSearch(L"TABLES", L"0", 0), nullptr);

  // The walk: every layer once in file order; setNext makes it go on after the found one.
  std::vector<std::wstring> names;
  for (resbuf* r = kxdbTblNext(L"LAYER", 1); r; r = kxdbTblNext(L"LAYER", 0))
    names.emplace_back(RbList(r).find(2)->value.string);
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names.end()[-2], L"Walls");
  EXPECT_EQ(names.back(), L"Doors");
  kxutRelRb(kxdbTblSearch(L"LAYER", L"walls", 1));
  const RbList after(kxdbTblNext(L"LAYER", 0));
  ASSERT_NE(after.head, nullptr);
  EXPECT_STREQ(after.find(2)->value.string, L"Doors");
  EXPECT_EQ(kxdbTblNext(L"LAYER", 0), nullptr);

  // Letters beyond ASCII fold too, in whatever locale the process runs (here "C"): an entity
  // made on "äRGER щИТ" goes on the layer "Ärger Щит" made for the first one.
  const std::size_t layers = names.size();
  for (const wchar_t* layer : {L"Ärger Щит", L"äRGER щИТ"})
    ASSERT_FALSE(made(kxutBuildList(KXRT_DXF0, L"POINT", 8, layer, 10, p, 0)).isNull());
  const RbList folded(kxdbTblSearch(L"LAYER", L"ÄRGER щит", 0));
  ASSERT_NE(folded.find(2), nullptr);
  EXPECT_STREQ(folded.find(2)->value.string, L"Ärger Щит");
  int count = 0;
  for (resbuf* r = kxdbTblNext(L"LAYER", 1); r; r = kxdbTblNext(L"LAYER", 0), ++count) kxutRelRb(r);
  EXPECT_EQ(count, static_cast<int>(layers) + 1);
  // No drawing, no tables and nothing made.
  kx::editor::Session::instance().closeAll();
  EXPECT_EQ(kxdbTblNext(L"LAYER", 1), nullptr);
  EXPECT_TRUE(made(kxutBuildList(KXRT_DXF0, L"POINT", 10, p, 0)).isNull());
}

TEST_F(SymbolTableListTest, BlocksShowTheirDefinition) {
  // A block made the way a module does it is out of reach here; the drawing's own block records
  // stand in: model and paper space are not blocks to a module.
  for (resbuf* r = kxdbTblNext(L"BLOCK", 1); r; r = kxdbTblNext(L"BLOCK", 0)) {
    const std::wstring n = RbList(r).find(2)->value.string;
    EXPECT_NE(n.rfind(L"*Model_Space", 0), 0u);
    EXPECT_NE(n.rfind(L"*Paper_Space", 0), 0u);
  }
  const RbList model(kxdbTblSearch(L"BLOCK", L"*model_space", 0));
  ASSERT_NE(model.head, nullptr);
  EXPECT_STREQ(model.head->value.string, L"BLOCK");
  ASSERT_NE(model.find(10), nullptr);
  ASSERT_NE(model.find(70), nullptr);
  EXPECT_EQ(model.find(-2), nullptr);  // no entities yet

  const double p[3] = {4, 5, 0};
  ASSERT_FALSE(made(kxutBuildList(KXRT_DXF0, L"POINT", 10, p, 0)).isNull());
  kds_name last;
  ASSERT_EQ(kxdbEntLast(last), KXRT_NORM);
  const RbList filled(kxdbTblSearch(L"BLOCK", L"*Model_Space", 0));
  ASSERT_NE(filled.find(-2), nullptr);
  EXPECT_TRUE(kds_name_equal(filled.find(-2)->value.name, last));

  // A block of the drawing gives its base point.
  kx::test::addBlock(db(), "Based", {1, 2, 3});
  const RbList based(kxdbTblSearch(L"BLOCK", L"based", 0));
  ASSERT_NE(based.find(10), nullptr);
  EXPECT_EQ(std::vector<double>(based.find(10)->value.point, based.find(10)->value.point + 3),
            (std::vector<double>{1, 2, 3}));
}

}  // namespace
