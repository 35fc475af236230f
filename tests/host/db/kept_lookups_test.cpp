// Lookups the database keeps between calls (table records by name, layer locks, text styles, the
// groups a field reader found, header variables by name, the last text placed and MTEXT measured,
// plain decimals read without the general parser, the numbers of groups read or written) must give
// the same answers as working them out afresh, whatever changed in between.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "db/dxf_io.h"
#include "db/layers.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "db/tag_reals.h"
#include "dxf/number_syntax.h"
#include "support/drawing.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace {

using namespace kx::db;
using kx::test::addEntityAsRead;
using kx::test::newTags;

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
  const ObjectId text = addEntityAsRead(
      db, "TEXT", newTags("100 AcDbText | 10 0 | 20 0 | 30 0 | 40 2.5 | 1 A | 100 AcDbText"),
      {.layer = "notes"});
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
  const ObjectId text = addEntityAsRead(
      db, "TEXT", newTags("100 AcDbText | 10 1 | 20 2 | 30 0 | 40 2.5 | 1 A | 100 AcDbText"));
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

  // Values rewritten in place keep every group where it was; a rewritten subclass marker moves
  // the groups after it into another part.
  writer.setReal(40, 5);
  EXPECT_EQ(reader.real(40), 5);
  EXPECT_EQ(reader.locate(73), at73);
  const std::uint64_t places = db.groupPlacesRevision();
  db.setText(text, *at73 - 1, "AcDbOther");
  EXPECT_EQ(reader.locate(73), FieldReader(db, text).locate(73));
  EXPECT_NE(reader.locate(73), at73);
  EXPECT_NE(db.groupPlacesRevision(), places);

  // So does a rewritten 102 brace, which decides which 330 is the owner.
  db.insertTag(text, 1, 102, "{ACAD_REACTORS");
  db.insertTag(text, 2, 102, "}");
  const std::uint64_t withBraces = db.groupPlacesRevision();
  writer.setReal(40, 6);
  EXPECT_EQ(db.groupPlacesRevision(), withBraces);
  db.setText(text, 2, "{ACAD_XDICTIONARY");
  EXPECT_NE(db.groupPlacesRevision(), withBraces);
}

TEST(KeptLookups, HeaderVariablesFollowEveryChange) {
  Database db = newDrawing();
  ASSERT_TRUE(db.headerText("$CLAYER"));
  EXPECT_FALSE(db.headerText("$KXNOTTHERE"));
  db.setHeaderText("$CLAYER", 8, "Walls");
  EXPECT_EQ(db.headerText("$CLAYER"), "Walls");
  db.setHeaderText("$KXNOTTHERE", 70, "3");  // added at the end of the header
  EXPECT_EQ(db.headerText("$KXNOTTHERE"), "3");
  EXPECT_EQ(db.headerText("$CLAYER"), "Walls");
  // A variable written twice reads as its first; renaming the first shows the second.
  const ObjectId header = db.headerVariable("$CLAYER")->record;
  const std::size_t end = db.tags(header).size();
  db.insertTag(header, end, 9, "$CLAYER");
  db.insertTag(header, end + 1, 8, "Doors");
  EXPECT_EQ(db.headerText("$CLAYER"), "Walls");
  db.setText(header, db.headerVariable("$CLAYER")->first - 1, "$KXRENAMED");
  EXPECT_EQ(db.headerText("$CLAYER"), "Doors");
  EXPECT_EQ(db.headerText("$KXRENAMED"), "Walls");
}

TEST(KeptLookups, AMovedTextIsPlacedAsIfLaidOutAfresh) {
  // Two drawings with the same middle-centred text; in one the text was placed before it moved.
  auto addText = [](Database& db) {
    return addEntityAsRead(db, "TEXT",
                           newTags("100 AcDbText | 10 0 | 20 0 | 30 1.5 | 40 2.5 | 1 Moved %%u"
                                   " | 50 30 | 72 1 | 11 4 | 21 5 | 31 0 | 100 AcDbText | 73 2"));
  };
  Database placed = newDrawing(), fresh = newDrawing();
  const ObjectId a = addText(placed), b = addText(fresh);
  kx::text::updateTextPosition(placed, a);
  // Moved, then also turned and given other justifications (the line is laid out as before).
  struct Change {
    Point3 to;
    double degrees;
    long long horizontal, vertical;
  };
  for (const Change& c : {Change{{-7.25, 12.5, 0}, 30, 1, 2}, Change{{1e6 / 3, -0.1, 0}, 30, 1, 2},
                          Change{{2, 3, 0}, 147.5, 1, 2}, Change{{2, 3, 0}, 147.5, 2, 3},
                          Change{{-1, 4, 0}, 10, 4, 0}, Change{{5, 5, 0}, 0, 0, 1}}) {
    const std::uint32_t before = placed.revision(a);
    for (auto [db, id] : {std::pair{&placed, a}, std::pair{&fresh, b}}) {
      ObjectFields f(*db, id);
      f.setPoint(11, c.to);
      f.setReal(50, c.degrees);
      f.setInteger(72, c.horizontal);
      f.setInteger(73, c.vertical);
    }
    kx::text::updateMovedTextPosition(placed, a, before);
    kx::text::updateTextPosition(fresh, b);
    EXPECT_EQ(*FieldReader(placed, a).rawText(10), *FieldReader(fresh, b).rawText(10));
    EXPECT_EQ(*FieldReader(placed, a).rawText(20), *FieldReader(fresh, b).rawText(20));
    EXPECT_EQ(*FieldReader(placed, a).rawText(30), "1.5");
  }
  // Made left-justified, the text stays where its insertion point is.
  {
    const std::uint32_t before = placed.revision(a);
    const std::string x = std::string(*FieldReader(placed, a).rawText(10));
    ObjectFields(placed, a).setInteger(72, 0);
    ObjectFields(placed, a).setInteger(73, 0);
    EXPECT_FALSE(kx::text::updateMovedTextPosition(placed, a, before));
    EXPECT_EQ(*FieldReader(placed, a).rawText(10), x);
    ObjectFields(placed, a).setInteger(73, 2);
    ObjectFields(fresh, b).setInteger(72, 0);
    ObjectFields(fresh, b).setInteger(73, 2);
    kx::text::updateTextPosition(placed, a);
    kx::text::updateTextPosition(fresh, b);
  }
  // A style changed since the text was placed changes its shape: it is laid out again.
  const std::uint32_t before = placed.revision(a);
  ObjectFields(placed, findTableRecord(placed, "STYLE", L"Standard")).setString(3, L"cour.ttf");
  ObjectFields(fresh, findTableRecord(fresh, "STYLE", L"Standard")).setString(3, L"cour.ttf");
  ObjectFields(placed, a).setPoint(11, {3, 3, 0});
  ObjectFields(fresh, b).setPoint(11, {3, 3, 0});
  kx::text::updateMovedTextPosition(placed, a, before);
  kx::text::updateTextPosition(fresh, b);
  EXPECT_EQ(*FieldReader(placed, a).rawText(10), *FieldReader(fresh, b).rawText(10));
}

TEST(KeptLookups, AnMTextIsMeasuredAgainAfterItsContentsOrStyleChange) {
  Database db = newDrawing();
  const ObjectId mtext = addEntityAsRead(
      db, "MTEXT", newTags("100 AcDbMText | 10 0 | 20 0 | 30 0 | 40 2.5 | 71 1 | 1 Short"));
  const double shortWidth = kx::text::mtextSize(db, mtext).width;
  kx::text::updateMTextExtents(db, mtext);
  EXPECT_EQ(FieldReader(db, mtext).real(42), shortWidth);
  ObjectFields(db, mtext).setString(1, L"A good deal longer");
  const double longWidth = kx::text::mtextSize(db, mtext).width;
  EXPECT_GT(longWidth, shortWidth);
  ObjectFields(db, findTableRecord(db, "STYLE", L"Standard")).setString(3, L"cour.ttf");
  EXPECT_NE(kx::text::mtextSize(db, mtext).width, longWidth);
}

TEST(KeptLookups, PlainDecimalsReadExactlyAsTheGeneralParserReadsThem) {
  std::mt19937_64 random(7);
  auto check = [](const std::string& text) {
    double expected = 0;
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
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

TEST(KeptLookups, NumbersOfGroupsReadAsTheirTextsWhateverWasWrittenSince) {
  // Texts read from a file, then rewritten many times: the texts written since lie at the same
  // offsets of their own pool as texts of the file do, so the kept numbers of both must not mix.
  std::mt19937_64 random(11);
  auto number = [&random] {
    switch (random() % 6) {
      case 0:
        return -0.0;
      case 1:
        return static_cast<double>(random() % 1000) / 8;
      default:
        return std::ldexp(static_cast<double>(random() % (1u << 30)) - (1u << 29),
                          static_cast<int>(random() % 40) - 30);
    }
  };
  Database made = newDrawing();
  for (int n = 0; n < 300; ++n) {
    const double x = number(), y = number();
    addEntityAsRead(made, "TEXT",
                    newTags(fmt::format("100 AcDbText | 10 {} | 20 {} | 30 0.0 | 40 {}.25 | 1 T",
                                        formatReal(x), formatReal(y), n % 7)));
  }
  Database db = readDxf(writeDxf(made), "numbers.dxf").db;
  std::vector<ObjectId> texts;
  for (const ObjectId id : db.findSection("ENTITIES")->records)
    if (db.typeName(id) == "TEXT") texts.push_back(id);
  ASSERT_EQ(texts.size(), 300u);
  auto readsAsItsText = [&db](ObjectId id) {
    for (const Tag& t : db.tags(id)) {
      if (t.code != 10 && t.code != 20 && t.code != 30 && t.code != 40) continue;
      const auto kept = tagReal(db, t);
      const auto parsed = kx::dxf::parseReal(db.text(t));
      ASSERT_EQ(kept.has_value(), parsed.has_value()) << db.text(t);
      if (kept) {
        EXPECT_EQ(std::memcmp(&*kept, &*parsed, sizeof(double)), 0) << db.text(t);
      }
    }
  };
  for (int round = 0; round < 4; ++round) {
    for (const ObjectId id : texts) {
      ObjectFields f(db, id);
      if (random() % 2) f.setPoint(10, {number(), number(), number()});
      if (random() % 2) f.setReal(40, number());
      readsAsItsText(texts[random() % texts.size()]);
      readsAsItsText(id);
    }
  }
  // What cannot be read back as a number is not kept as one.
  ObjectFields f(db, texts.front());
  f.setReal(40, std::numeric_limits<double>::infinity());
  readsAsItsText(texts.front());
  EXPECT_EQ(f.real(40), 2.5);  // the default height
}

}  // namespace
