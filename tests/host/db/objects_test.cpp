// Typed reading and writing of objects, and what an edit does to the saved file.

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

#include "db/draw_order.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/groups.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "support/drawing.h"
#include "support/files.h"

namespace {

using namespace kx::db;
using kx::test::firstOf;
using kx::test::newTags;
using kx::test::occurrences;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Objects, TypedValuesAndDefaults) {
  LoadedDrawing d = readDxf(kx::test::sampleDrawing(), "sample.dxf");
  const ObjectId text = firstOf(d.db, "TEXT");
  FieldReader f(d.db, text);
  EXPECT_EQ(f.point(10), (Point3{1, 2, 0}));
  EXPECT_DOUBLE_EQ(f.real(40), 2.5);
  EXPECT_EQ(f.string(1), L"Hello");
  EXPECT_EQ(f.string(8), L"0");
  // Groups the text does not have read as their defaults.
  EXPECT_DOUBLE_EQ(f.real(41), 1.0);
  EXPECT_DOUBLE_EQ(f.angle(50), 0.0);
  EXPECT_EQ(f.integer(73), 0);
  EXPECT_EQ(f.point(210), (Point3{0, 0, 1}));
  EXPECT_EQ(f.string(7), L"Standard");
  EXPECT_EQ(FieldReader(d.db, firstOf(d.db, "LINE")).integer(62), 1);
  EXPECT_EQ(d.db.owner(text), findBlockRecord(d.db, "*MODEL_SPACE"));

  // Entity names map one to one to objects, and never to an object of another drawing.
  LoadedDrawing other = readDxf(kx::test::sampleDrawing(), "other.dxf");
  EXPECT_EQ(d.db.fromEntityName(d.db.entityName(text)), text);
  EXPECT_TRUE(other.db.fromEntityName(d.db.entityName(text)).isNull());
  EXPECT_NE(d.db.entityName(text), d.db.entityName(firstOf(d.db, "LINE")));
}

TEST(Objects, RealsAreWrittenInTheirShortestFormWithAPoint) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0.0"},         {-0.0, "0.0"},       {1, "1.0"},
      {-7, "-7.0"},         {99999, "99999.0"},  {-99999, "-99999.0"},
      {100000, "1e+05"},    {-1e5, "-1e+05"},    {123456, "123456.0"},
      {2.5, "2.5"},         {0.1, "0.1"},        {1e20, "1e+20"},
      {99999.5, "99999.5"}, {-3.0e-7, "-3e-07"}, {12345678901.0, "12345678901.0"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(formatReal(value), text) << value;
}

TEST(Objects, ChangedGroupsChangeOnlyTheirLinesAndNewOnesGoToTheirSubclass) {
  const std::string original = kx::test::sampleDrawing();
  LoadedDrawing d = readDxf(original, "sample.dxf");
  ObjectFields text(d.db, firstOf(d.db, "TEXT"));
  text.setString(1, L"Goodbye");
  text.setReal(40, 2.5);  // same number: the text as read stays
  const auto before = linesOf(original);
  const auto after = linesOf(writeDxf(d.db));
  ASSERT_EQ(before.size(), after.size());
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i]) changed.push_back(i);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(after[changed[0]], "Goodbye");

  text.setAngle(50, 3.14159265358979323846 / 2);
  text.setInteger(72, 1);
  text.setPoint(11, {5, 2, 0});
  text.setInteger(73, 2);  // vertical mode lives in the second AcDbText part
  const std::string out = writeDxf(d.db);
  EXPECT_NE(out.find(" 40\n2.5\n  1\nGoodbye\n 50\n90.0\n 72\n1\n 11\n5.0\n 21\n2.0\n 31\n0.0\n"
                     "100\nAcDbText\n 73\n2\n  0\nLINE"),
            std::string::npos)
      << out;
  LoadedDrawing again = readDxf(out, "again");
  FieldReader f(again.db, firstOf(again.db, "TEXT"));
  EXPECT_NEAR(f.angle(50), 3.14159265358979323846 / 2, 1e-12);
  EXPECT_EQ(f.integer(73), 2);
  EXPECT_EQ(f.point(11), (Point3{5, 2, 0}));
}

TEST(Objects, NewEntitiesGetHandlesOwnersAndAPlace) {
  LoadedDrawing d = readDxf(kx::test::sampleDrawing(), "sample.dxf");
  const ObjectId model = findBlockRecord(d.db, "*Model_Space");
  const std::string before = writeDxf(d.db);
  EXPECT_THROW(addEntity(d.db, model, "CIRCLE", {{100, "AcDbEntity"}, {8, "0"}}),
               std::invalid_argument);
  EXPECT_EQ(writeDxf(d.db), before);

  const ObjectId circle =
      addEntity(d.db, model, "CIRCLE",
                newTags("100 AcDbEntity | 8 0 | 100 AcDbCircle | 10 1.0 | 20 1.0 | 40 3"));
  EXPECT_EQ(d.db.handle(circle), 0x40u);
  EXPECT_EQ(d.db.owner(circle), model);
  EXPECT_EQ(d.db.findByHandle(0x40), circle);
  const auto entities = blockEntities(d.db, model);
  ASSERT_EQ(entities.size(), 3u);
  EXPECT_EQ(entities.back(), circle);

  const std::string out = writeDxf(d.db);
  EXPECT_NE(out.find("$HANDSEED\n  5\n41\n"), std::string::npos);
  EXPECT_NE(out.find("  0\nCIRCLE\n  5\n40\n330\n1F\n"), std::string::npos);
  EXPECT_LT(out.find("CIRCLE"), out.find("OBJECTS"));
}

TEST(Objects, AnEntityMadeOutsideTheBlocksMovesInAsACopyOfItsBodyWould) {
  // Made with reactors and an owner left over, as an object made from another one may be.
  const std::vector<NewTag> made = newTags(
      "102 {ACAD_REACTORS | 330 1F | 102 } | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbCircle | "
      "10 1.0 | 20 1.0 | 30 0.0 | 40 3");
  const std::vector<NewTag> body(made.begin() + 4, made.end());
  for (const std::string_view block : {"*Model_Space", "*Paper_Space", "PART"}) {
    Database copied = newDrawing(), moved = newDrawing();
    for (Database* db : {&copied, &moved}) kx::test::addBlock(*db, "PART");
    addEntity(copied, findBlockRecord(copied, block), "CIRCLE", body);
    const ObjectId limbo = moved.addRecord(moved.sectionIndex("ENTITIES"), {}, "CIRCLE", made);
    moved.setErased(limbo, true);
    const ObjectId entity = moveEntity(moved, findBlockRecord(moved, block), limbo);
    const std::string out = writeDxf(moved);
    EXPECT_EQ(out, writeDxf(copied)) << block;
    // Paper space entities say so in group 67 too, right after their subclass marker.
    const std::size_t circle = out.find("\nCIRCLE\n");
    const std::string head = out.substr(circle, out.find("AcDbCircle", circle) - circle);
    EXPECT_EQ(head.find("100\nAcDbEntity\n 67\n1\n  8\n0\n") != std::string::npos,
              block == "*Paper_Space")
        << head;
    EXPECT_EQ(moved.owner(entity), findBlockRecord(moved, block)) << block;
    EXPECT_EQ(moved.tags(limbo).size(), 1u) << block;
  }
  Database db = newDrawing();
  const ObjectId limbo = db.addRecord(db.sectionIndex("ENTITIES"), {}, "CIRCLE",
                                      newTags("100 AcDbEntity | 8 0 | 100 AcDbCircle | 40 3"));
  db.setErased(limbo, true);
  const std::string before = writeDxf(db);
  EXPECT_THROW(moveEntity(db, kx::test::modelSpace(db), limbo), std::invalid_argument);
  EXPECT_EQ(writeDxf(db), before);
  EXPECT_GT(db.tags(limbo).size(), 1u);
}

TEST(Objects, GroupsMadeHereAreWrittenAsTheDrawingWritesItsCodes) {
  LoadedDrawing bare = readDxf("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", "bare.dxf");
  Database padded = newDrawing();
  for (Database* db : {&bare.db, &padded}) {
    db->addRecord(db->sectionIndex("ENTITIES"), {}, "POINT",
                  newTags("8 0 | 10 1.5 | 20 -2.0 | 1000 x | 1071 7"));
  }
  EXPECT_NE(
      writeDxf(bare.db).find("0\nPOINT\n8\n0\n10\n1.5\n20\n-2.0\n1000\nx\n1071\n7\n0\nENDSEC"),
      std::string::npos);
  EXPECT_NE(writeDxf(padded).find("  0\nPOINT\n  8\n0\n 10\n1.5\n 20\n-2.0\n1000\nx\n1071\n7\n  "
                                  "0\nENDSEC"),
            std::string::npos);
}

TEST(Objects, ErasedEntitiesAreNotSavedAndComeBackWhenUnerased) {
  LoadedDrawing d = readDxf(kx::test::sampleDrawing(), "sample.dxf");
  const ObjectId line = firstOf(d.db, "LINE");
  setEntityErased(d.db, line, true);
  EXPECT_EQ(writeDxf(d.db).find("\nLINE\n"), std::string::npos);
  EXPECT_EQ(blockEntities(d.db, findBlockRecord(d.db, "*Model_Space")).size(), 1u);
  setEntityErased(d.db, line, false);
  EXPECT_EQ(writeDxf(d.db), kx::test::sampleDrawing());
}

TEST(Objects, NoGroupOrSortTableSavedNamesAnErasedEntity) {
  Database db = newDrawing();
  const ObjectId model = findBlockRecord(db, "*Model_Space");
  const auto point = [&] {
    return addEntity(db, model, "POINT",
                     newTags("100 AcDbEntity | 8 0 | 100 AcDbPoint | 10 0.0 | 20 0.0 | 30 0.0"));
  };
  const ObjectId kept = point(), erased = point();
  const ObjectId both[] = {kept, erased};
  addGroup(db, L"*", L"", true, both);
  const ObjectId last[] = {erased};
  moveInDrawOrder(db, model, last, DrawOrderMove::ToBottom);  // swaps their sort handles
  const std::string before = writeDxf(db);
  const std::string gone = fmt::format("\n{:X}\n", db.handle(erased));
  ASSERT_EQ(occurrences(before, "340" + gone), 1);
  ASSERT_EQ(occurrences(before, "331" + gone), 1);

  setEntityErased(db, erased, true);
  const std::string after = writeDxf(db);
  EXPECT_EQ(occurrences(after, "340" + gone), 0);
  EXPECT_EQ(occurrences(after, "331" + gone), 0);
  EXPECT_EQ(occurrences(after, fmt::format("340\n{:X}\n", db.handle(kept))), 1);
  EXPECT_EQ(occurrences(after, fmt::format("331\n{:X}\n", db.handle(kept))), 1);
  setEntityErased(db, erased, false);
  EXPECT_EQ(writeDxf(db), before);
}

TEST(Objects, StringsAreWrittenInTheDrawingsEncoding) {
  struct Case {
    std::string_view from, to;  // what makes the sample a drawing of this encoding
    std::wstring text;
    std::string bytes;
  };
  const Case cases[] = {
      {"", "", L"Maße 中文", "Ma\337e \\U+4E2D\\U+6587"},  // escapes for what 1252 lacks
      {"ANSI_1252", "ANSI_936", L"中文", "\xD6\xD0\xCE\xC4"},
      {"AC1015", "AC1021", L"中文", "\xE4\xB8\xAD\xE6\x96\x87"},  // UTF-8 from R2007 on
  };
  for (const Case& c : cases) {
    std::string text = kx::test::sampleDrawing();
    if (!c.from.empty()) text.replace(text.find(c.from), c.from.size(), c.to);
    LoadedDrawing d = readDxf(text, "encoded.dxf");
    ObjectFields t(d.db, firstOf(d.db, "TEXT"));
    t.setString(1, c.text);
    EXPECT_NE(writeDxf(d.db).find("\n" + c.bytes + "\n"), std::string::npos) << c.to;
    EXPECT_EQ(t.string(1), c.text);
  }
}

TEST(Objects, DrawingsThatSayTheWrongCodePageAreReadAsWhatTheyAre) {
  std::string text = kx::test::sampleDrawing();
  text.replace(text.find("ANSI_1252"), 9, "ANSI_936");
  text.replace(text.find("\nHello\n"), 7, "\n\xE4\xB8\xAD\xE6\x96\x87\n");  // UTF-8
  LoadedDrawing d = readDxf(text, "liar.dxf");
  ASSERT_FALSE(d.notices.empty());
  EXPECT_NE(d.notices.front().find("ANSI_936"), std::string::npos);
  ObjectFields t(d.db, firstOf(d.db, "TEXT"));
  EXPECT_EQ(t.string(1), L"中文");
  t.setString(1, L"中文字");
  EXPECT_NE(writeDxf(d.db).find("\n\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\n"), std::string::npos);
}

}  // namespace
