// Lookups the database keeps between calls (table records by name, layer locks, text styles, the
// groups a field reader found, plain decimals read without the general parser) must give the same
// answers as working them out afresh, whatever changed in between.

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "db/layers.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
#include "text/text_entity.h"

namespace {

using namespace kx::db;

TEST(KeptLookups, TableRecordsFollowEveryChange) {
  Database db = newDrawing();
  Database other = newDrawing();
  const ObjectId walls = addLayer(db, L"Walls");
  EXPECT_EQ(findTableRecord(db, "LAYER", L"WALLS"), walls);
  EXPECT_TRUE(findTableRecord(other, "LAYER", L"Walls").isNull());
  EXPECT_TRUE(findTableRecord(db, "STYLE", L"Walls").isNull());

  ObjectFields(db, walls).setString(2, L"Doors");
  EXPECT_TRUE(findTableRecord(db, "LAYER", L"Walls").isNull());
  EXPECT_EQ(findTableRecord(db, "LAYER", L"doors"), walls);

  const ObjectId second = addLayer(db, L"Walls");
  EXPECT_EQ(findTableRecord(db, "LAYER", L"Walls"), second);
  db.setErased(second, true);
  EXPECT_TRUE(findTableRecord(db, "LAYER", L"Walls").isNull());
  // Asking about another drawing in between does not leave the first one's answers behind.
  EXPECT_TRUE(findTableRecord(other, "LAYER", L"Doors").isNull());
  EXPECT_EQ(findTableRecord(db, "LAYER", L"Doors"), walls);
}

TEST(KeptLookups, LayerLocksAndStylesAreReadAgainAfterTheirRecordsChange) {
  Database db = newDrawing();
  const ObjectId layer = addLayer(db, L"Notes");
  const std::vector<NewTag> body = {{100, "AcDbEntity"}, {8, "notes"}, {100, "AcDbText"},
                                    {10, "0"},           {20, "0"},    {30, "0"},
                                    {40, "2.5"},         {1, "A"},     {100, "AcDbText"}};
  const ObjectId text = db.addRecord(db.sectionIndex("ENTITIES"), {}, "TEXT", body);
  EXPECT_FALSE(isOnLockedLayer(db, text));
  setLayerLocked(db, layer, true);
  EXPECT_TRUE(isOnLockedLayer(db, text));
  setLayerLocked(db, layer, false);
  EXPECT_FALSE(isOnLockedLayer(db, text));

  const ObjectId standard = findTableRecord(db, "STYLE", L"Standard");
  ASSERT_FALSE(standard.isNull());
  EXPECT_DOUBLE_EQ(kx::text::findTextStyle(db, L"Standard").widthFactor, 1.0);
  ObjectFields(db, standard).setReal(41, 0.75);
  EXPECT_DOUBLE_EQ(kx::text::findTextStyle(db, L"STANDARD").widthFactor, 0.75);
}

TEST(KeptLookups, AReaderSeesGroupsAddedBehindItsBack) {
  Database db = newDrawing();
  const std::vector<NewTag> body = {{100, "AcDbEntity"}, {8, "0"},  {100, "AcDbText"},
                                    {10, "1"},           {20, "2"}, {30, "0"},
                                    {40, "2.5"},         {1, "A"},  {100, "AcDbText"}};
  const ObjectId text = db.addRecord(db.sectionIndex("ENTITIES"), {}, "TEXT", body);
  const FieldReader reader(db, text);
  EXPECT_FALSE(reader.locate(72));
  EXPECT_EQ(reader.string(1), L"A");

  ObjectFields writer(db, text);
  writer.setInteger(72, 2);  // goes into the first AcDbText part, before the reader's groups
  writer.setInteger(73, 3);  // the second part
  writer.setString(1, L"BB");
  EXPECT_EQ(reader.integer(72), 2);
  EXPECT_EQ(reader.integer(73), 3);
  EXPECT_EQ(reader.string(1), L"BB");
  EXPECT_EQ(reader.point(10), (Point3{1, 2, 0}));
  const auto at73 = reader.locate(73);
  ASSERT_TRUE(at73);
  EXPECT_GT(*at73, *reader.locate(72));
}

TEST(KeptLookups, PlainDecimalsReadExactlyAsTheGeneralParserReadsThem) {
  std::mt19937_64 random(7);
  auto check = [](const std::string& text) {
    double expected = 0;
    const char* begin = text.data() + (text.front() == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), expected);
    const auto got = kx::dxf::parseReal(text);
    if (ec != std::errc() || end != text.data() + text.size()) {
      EXPECT_FALSE(got) << text;
      return;
    }
    ASSERT_TRUE(got) << text;
    EXPECT_EQ(std::memcmp(&*got, &expected, sizeof expected), 0) << text;  // sign of zero too
  };
  for (int n = 0; n < 200000; ++n) {
    const int digits = 1 + static_cast<int>(random() % 18);
    std::string text = random() % 3 == 0 ? "-" : "";
    const int point = static_cast<int>(random() % static_cast<std::uint64_t>(digits + 2)) - 1;
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (point == digits) text += '.';
    check(text);
  }
  for (const char* odd : {"-0.0", "0.", ".5", "-.5", "+1.25", ".", "-", "", "1.2.3", "1e5",
                          "-1.5E-3", "1-2", "99999999999999.9", "9007199254740993"})
    check(odd);
}

}  // namespace
