#include "db/layouts.h"

#include <gtest/gtest.h>

#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"

namespace {

using namespace kx::db;

TEST(Layouts, NamesAndSpacesAreThoseOfLiveLayouts) {
  Database db = newDrawing();
  const ObjectId model = findBlockRecord(db, "*Model_Space");
  const ObjectId paper = findBlockRecord(db, "*Paper_Space");
  EXPECT_EQ(findLayoutBlock(db, L"MODEL"), model);
  EXPECT_EQ(findLayoutBlock(db, L"layout1"), paper);
  EXPECT_EQ(layoutNameOf(db, paper), L"Layout1");
  EXPECT_EQ(layoutNameOf(db, model), L"Model");

  ObjectId layout1;
  for (const ObjectId id : db.findSection("OBJECTS")->records)
    if (db.isType(id, "LAYOUT") && FieldReader(db, id).string(1, "AcDbLayout") == L"Layout1")
      layout1 = id;
  ASSERT_TRUE(layout1);
  // A page setup's name is not a layout's.
  ObjectFields(db, layout1).setString(1, L"Sheet", "AcDbPlotSettings");
  EXPECT_TRUE(findLayoutBlock(db, L"Sheet").isNull());
  db.setErased(layout1, true);
  EXPECT_TRUE(findLayoutBlock(db, L"Layout1").isNull());
  EXPECT_EQ(layoutNameOf(db, paper), L"");
}

}  // namespace
