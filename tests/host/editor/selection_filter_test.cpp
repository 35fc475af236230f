// Selection filters: what they select, on drawings as read and as changed here, and which lists
// they refuse.

#include "editor/selection_filter.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "editor/selection_sets.h"
#include "kx/kxed.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

// A filter list built by the SDK's own list builder, released when the test is done with it.
struct Release {
  void operator()(resbuf* rb) const { kxutRelRb(rb); }
};
using List = std::unique_ptr<resbuf, Release>;

// A drawing with a few of everything a filter tells apart, each entity known by a label.
struct TestDrawing {
  db::Database db = db::newDrawing();
  db::ObjectId model = db::findBlockRecord(db, "*Model_Space");
  db::ObjectId paper = db::findBlockRecord(db, "*Paper_Space");
  std::map<std::string, db::ObjectId> ids;

  // `groups` after the AcDbEntity marker, as test::newTags takes them.
  void add(const std::string& label, db::ObjectId space, const std::string& type,
           const std::string& groups) {
    ids[label] = db::addEntity(db, space, type, test::newTags("100 AcDbEntity | " + groups));
  }
  void text(const std::string& label, const std::string& layer, const std::string& more = "") {
    add(label, model, "TEXT",
        "8 " + layer + " | 100 AcDbText | 10 1.0 | 20 2.0 | 30 0.0 | 40 2.5 | 1 note" + more +
            " | 100 AcDbText");
  }
  void insert(const std::string& label, const std::string& layer, const std::string& block,
              const char* x, const char* y) {
    add(label, model, "INSERT",
        fmt::format("8 {} | 100 AcDbBlockReference | 2 {} | 10 {} | 20 {} | 30 0.0", layer, block,
                    x, y));
  }

  TestDrawing() {
    text("text A1", "A1", " | 50 90");
    text("text B", "B");
    text("text Arch", "Arch-notes");
    add("mtext A2", model, "MTEXT",
        "8 A2 | 100 AcDbMText | 10 0.0 | 20 0.0 | 30 0.0 | 40 3.5 | 1 multi");
    add("line red", model, "LINE",
        "8 A1 | 62 1 | 100 AcDbLine | 10 0.0 | 20 0.0 | 30 0.0 | 11 10.0 | 21 0.0 | 31 0.0");
    add("circle X", model, "CIRCLE", "8 X | 100 AcDbCircle | 10 20.0 | 20 20.0 | 30 0.0 | 40 1.0");
    insert("door", "0", "DOOR", "3.0", "4.0");
    insert("window on X", "X", "WINDOW", "3.0", "4.0");
    insert("anonymous", "0", "*U7", "0.0", "0.0");
    add("outline", model, "LWPOLYLINE",
        "8 A1 | 100 AcDbPolyline | 90 2 | 70 0 | 10 0.0 | 20 0.0 | 10 3.0 | 20 4.0");
    // Reactors that name the paper-space record: the entity's owner is still model space.
    ids["reactor line"] =
        db::addEntity(db, model, "LINE",
                      test::newTags(fmt::format(
                          "102 {{ACAD_REACTORS | 330 {:X} | 102 }} | 100 AcDbEntity | 8 B | "
                          "100 AcDbLine | 10 0.0 | 20 0.0 | 30 0.0 | 11 1.0 | 21 1.0 | "
                          "31 0.0 | 1001 MYAPP | 1000 data",
                          db.handle(paper))));
    add("paper text", paper, "TEXT",
        "67 1 | 410 Layout1 | 8 A1 | 100 AcDbText | 10 0.0 | 20 0.0 | 30 0.0 | 40 5.0 | 1 title | "
        "100 AcDbText");
    // Says it is in paper space but not which layout: that comes from its owner.
    add("paper line", paper, "LINE",
        "67 1 | 8 B | 100 AcDbLine | 10 0.0 | 20 0.0 | 30 0.0 | 11 1.0 | 21 1.0 | 31 0.0");
  }

  std::vector<std::string> labels(const std::vector<db::ObjectId>& found) const {
    std::vector<std::string> out;
    for (db::ObjectId id : found)
      for (const auto& [label, known] : ids)
        if (known == id) out.push_back(label);
    std::sort(out.begin(), out.end());
    return out;
  }
};

using Labels = std::vector<std::string>;

Labels select(const TestDrawing& d, const db::Database& db, resbuf* built) {
  const List list(built);
  std::string error;
  const auto filter = SelectionFilter::compile(list.get(), db, &error);
  EXPECT_TRUE(filter) << error;
  if (!filter) return {};
  return d.labels(selectAll(db, *filter));
}

// The drawing as read back from its DXF text: its entities are scanned from the file's bytes, not
// from groups made here. Labels follow the entities by handle.
void reread(TestDrawing& d) {
  db::Database read = db::readDxf(db::writeDxf(d.db), "filter test").db;
  for (auto& entry : d.ids) entry.second = read.findByHandle(d.db.handle(entry.second));
  d.model = read.findByHandle(d.db.handle(d.model));
  d.paper = read.findByHandle(d.db.handle(d.paper));
  d.db = std::move(read);
}

// Runs `check` on the drawing as built and as read back: both must select the same.
template <typename F>
void onBothForms(F check) {
  TestDrawing d;
  check(d, d.db);
  reread(d);
  for (const auto& entry : d.ids) ASSERT_FALSE(entry.second.isNull()) << entry.first;
  check(d, d.db);
}

TEST(SelectionFilter, TypesLayersBlocksAndColours) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"TEXT,MTEXT", 0)),
              (Labels{"mtext A2", "paper text", "text A1", "text Arch", "text B"}));
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"*text", 0)),
              select(d, db, kxutBuildList(KXRT_DXF0, L"TEXT,MTEXT", 0)));
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"~*T*", 0)),
              (Labels{"circle X", "line red", "outline", "paper line", "reactor line"}));
    // A list made by hand may give the type under its result code.
    List raw(kxutBuildList(KXRT_DXF0, L"circle", 0));
    raw->code = KXRT_DXF0;
    EXPECT_EQ(select(d, db, raw.release()), (Labels{"circle X"}));
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"TEXT", 8, L"a*", 0)),
              (Labels{"paper text", "text A1", "text Arch"}));
    EXPECT_EQ(select(d, db, kxutBuildList(8, L"A#,X", 0)),
              (Labels{"circle X", "line red", "mtext A2", "outline", "paper text", "text A1",
                      "window on X"}));
    EXPECT_EQ(select(d, db, kxutBuildList(2, L"DOOR", 0)), (Labels{"door"}));
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"INSERT", 2, L"`*U*", 0)),
              (Labels{"anonymous"}));
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"INSERT", 2, L"~`**", 0)),
              (Labels{"door", "window on X"}));
    EXPECT_EQ(select(d, db, kxutBuildList(62, 1, 0)), (Labels{"line red"}));
    // No colour group means by layer.
    EXPECT_EQ(select(d, db, kxutBuildList(KXRT_DXF0, L"LINE", 62, 256, 0)),
              (Labels{"paper line", "reactor line"}));
    EXPECT_EQ(select(d, db, kxutBuildList(1, L"multi", 0)), (Labels{"mtext A2"}));
  });
}

TEST(SelectionFilter, NestedOperatorsInAnyCase) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    // Texts on layers A* that are not multi-line texts.
    EXPECT_EQ(select(d, db,
                     kxutBuildList(-4, L"<AND", KXRT_DXF0, L"*TEXT", 8, L"A*", -4, L"<not",
                                   KXRT_DXF0, L"MTEXT", -4, L"Not>", -4, L"and>", 0)),
              (Labels{"paper text", "text A1", "text Arch"}));
    // Inserts of DOOR, or anything on layer X.
    EXPECT_EQ(select(d, db,
                     kxutBuildList(-4, L"<or", -4, L"<and", KXRT_DXF0, L"INSERT", 2, L"door", -4,
                                   L"AND>", 8, L"X", -4, L"OR>", 0)),
              (Labels{"circle X", "door", "window on X"}));
    // Exactly one of: a TEXT, on layer A1.
    EXPECT_EQ(
        select(d, db, kxutBuildList(-4, L"<XOR", KXRT_DXF0, L"TEXT", 8, L"A1", -4, L"xor>", 0)),
        (Labels{"line red", "outline", "text Arch", "text B"}));
    // A test outside the operators is ANDed with them.
    EXPECT_EQ(select(d, db,
                     kxutBuildList(8, L"B", -4, L"<or", KXRT_DXF0, L"TEXT", -4, L"<not", 67, 0, -4,
                                   L"not>", -4, L"or>", 0)),
              (Labels{"paper line", "text B"}));
  });
}

TEST(SelectionFilter, PaperSpaceLayoutsReactorsAndExtendedData) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    EXPECT_EQ(select(d, db, kxutBuildList(67, 1, 0)), (Labels{"paper line", "paper text"}));
    EXPECT_EQ(select(d, db, kxutBuildList(410, L"layout1", 0)),
              (Labels{"paper line", "paper text"}));
    EXPECT_EQ(select(d, db, kxutBuildList(410, L"Lay*", KXRT_DXF0, L"LINE", 0)),
              (Labels{"paper line"}));
    EXPECT_EQ(select(d, db, kxutBuildList(410, L"Model", 0)).size(), 11u);
    EXPECT_TRUE(select(d, db, kxutBuildList(410, L"Layout2", 0)).empty());

    EXPECT_EQ(select(d, db, kxutBuildList(102, L"{ACAD_REACTORS", 0)), (Labels{"reactor line"}));
    EXPECT_EQ(select(d, db,
                     kxutBuildList(KXRT_DXF0, L"LINE", -4, L"<not", 102, L"{ACAD_REACTORS", -4,
                                   L"not>", 0)),
              (Labels{"line red", "paper line"}));
    // The paper-space record named inside the reactors is not the owner.
    const db::EntityName paper = db.entityName(d.paper);
    const std::int64_t paperName[2] = {paper.drawing, paper.object};
    EXPECT_EQ(select(d, db, kxutBuildList(330, paperName, 0)),
              (Labels{"paper line", "paper text"}));

    EXPECT_EQ(select(d, db, kxutBuildList(-3, 1001, L"my*", 0)), (Labels{"reactor line"}));
    EXPECT_TRUE(select(d, db, kxutBuildList(-3, 1001, L"OTHER", 0)).empty());
  });
}

TEST(SelectionFilter, ComparesNumbersPointsAndAngles) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    EXPECT_EQ(select(d, db, kxutBuildList(-4, L">=", 40, 3.5, 0)),
              (Labels{"mtext A2", "paper text"}));
    EXPECT_EQ(select(d, db, kxutBuildList(-4, L"<", 62, 256, 0)), (Labels{"line red"}));
    EXPECT_EQ(
        select(d, db, kxutBuildList(-4, L">,>,*", 10, std::array<double, 3>{10, 10, 99}.data(), 0)),
        (Labels{"circle X"}));
    // Any of a polyline's vertices may match.
    EXPECT_EQ(select(d, db, kxutBuildList(10, std::array<double, 3>{3, 4, 0}.data(), 0)),
              (Labels{"door", "outline", "window on X"}));
    // Angles are radians here and degrees in the file.
    EXPECT_EQ(select(d, db, kxutBuildList(50, std::numbers::pi / 2, 0)), (Labels{"text A1"}));
    EXPECT_EQ(select(d, db, kxutBuildList(-4, L"!=", 8, L"A*,B,0", 0)),
              (Labels{"circle X", "window on X"}));
  });
}

TEST(SelectionFilter, SeesChangesAndSkipsErasedAndFollowers) {
  TestDrawing read;
  reread(read);
  TestDrawing built;
  db::Database& db = read.db;
  // A changed entity is tested by its groups now, not by the bytes it was read from.
  db::ObjectFields(db, read.ids["text B"]).setString(8, L"Moved");
  EXPECT_EQ(select(read, db, kxutBuildList(8, L"moved", 0)), (Labels{"text B"}));
  EXPECT_EQ(select(read, db, kxutBuildList(8, L"B", 0)), (Labels{"paper line", "reactor line"}));

  db::setEntityErased(db, read.ids["text A1"], true);
  EXPECT_EQ(select(read, db, kxutBuildList(KXRT_DXF0, L"TEXT", 0)),
            (Labels{"paper text", "text Arch", "text B"}));
  EXPECT_EQ(lastMainEntity(db), read.ids["paper line"]);
  db::setEntityErased(db, read.ids["paper line"], true);
  EXPECT_EQ(lastMainEntity(db), read.ids["paper text"]);

  // Attributes and their end marker follow their INSERT but are never selected themselves.
  db::Database& b = built.db;
  const db::ObjectId tagged = db::addEntity(
      b, built.model, "INSERT",
      test::newTags("100 AcDbEntity | 8 0 | 100 AcDbBlockReference | 66 1 | 2 TAG | 10 0.0 | "
                    "20 0.0 | 30 0.0"));
  db::addEntity(b, built.model, "ATTRIB",
                test::newTags("100 AcDbEntity | 8 0 | 100 AcDbText | 10 0.0 | 20 0.0 | 30 0.0 | "
                              "40 1.0 | 1 v | 100 AcDbAttribute | 2 T | 70 0"));
  db::addEntity(b, built.model, "SEQEND", {{100, "AcDbEntity"}, {8, "0"}});
  const auto all = selectAll(b, SelectionFilter());
  EXPECT_EQ(all.size(), built.ids.size() + 1);
  EXPECT_EQ(all.back(), tagged);
  EXPECT_EQ(lastMainEntity(b), tagged);
  EXPECT_TRUE(select(built, b, kxutBuildList(KXRT_DXF0, L"ATTRIB,SEQEND", 0)).empty());
}

class SelectionFilterSdk : public test::SdkTest {};

TEST_F(SelectionFilterSdk, RefusesMalformedListsAndMakesNoSet) {
  TestDrawing d;
  std::vector<std::pair<std::string, List>> bad;
  bad.emplace_back("open without close", kxutBuildList(-4, L"<or", KXRT_DXF0, L"TEXT", 0));
  bad.emplace_back("close without open", kxutBuildList(KXRT_DXF0, L"TEXT", -4, L"or>", 0));
  bad.emplace_back("crossed", kxutBuildList(-4, L"<and", KXRT_DXF0, L"TEXT", -4, L"or>", 0));
  bad.emplace_back("crossed nesting", kxutBuildList(-4, L"<or", -4, L"<and", KXRT_DXF0, L"TEXT", -4,
                                                    L"or>", -4, L"and>", 0));
  bad.emplace_back("unknown operator",
                   kxutBuildList(-4, L"<nand", KXRT_DXF0, L"TEXT", -4, L"nand>", 0));
  bad.emplace_back("not with two",
                   kxutBuildList(-4, L"<not", KXRT_DXF0, L"A", 8, L"B", -4, L"not>", 0));
  bad.emplace_back("xor with one", kxutBuildList(-4, L"<xor", KXRT_DXF0, L"A", -4, L"xor>", 0));
  bad.emplace_back("empty and", kxutBuildList(-4, L"<and", -4, L"and>", 0));
  bad.emplace_back("comparison with nothing after", kxutBuildList(KXRT_DXF0, L"TEXT", -4, L">", 0));
  bad.emplace_back("comparison of a type", kxutBuildList(-4, L">", KXRT_DXF0, L"TEXT", 0));
  for (const int code : {8, -4}) {
    List withoutText(kxutBuildList(code, L"", 0));
    kxad_free(std::exchange(withoutText->value.string, nullptr));
    bad.emplace_back(code == 8 ? "string without text" : "operator without text",
                     std::move(withoutText));
  }
  bad.emplace_back("result type as group", kxutBuildList(KXRT_STR, L"x", 0));
  const std::int64_t nothing[2] = {0, 0};
  bad.emplace_back("reference to nothing", kxutBuildList(330, nothing, 0));
  bad.emplace_back("-3 without applications", kxutBuildList(-3, 8, L"0", 0));

  editor::Document& doc = open(std::move(d.db));
  const std::size_t setsBefore = editor::Session::instance().selectionSets().count();
  for (const auto& [why, list] : bad) {
    std::string error;
    EXPECT_FALSE(SelectionFilter::compile(list.get(), doc.db(), &error)) << why;
    EXPECT_FALSE(error.empty()) << why;
    kds_name set = {0, 0};
    EXPECT_EQ(kxedSSGet(L"X", nullptr, nullptr, list.get(), set), KXRT_ERROR) << why;
    EXPECT_TRUE(kds_name_nil(set)) << why;
  }
  EXPECT_EQ(editor::Session::instance().selectionSets().count(), setsBefore);
  // The same operators, well formed, are fine.
  kds_name set;
  ASSERT_EQ(
      kxedSSGet(L"X", nullptr, nullptr,
                List(kxutBuildList(-4, L"<OR", KXRT_DXF0, L"TEXT", -4, L"or>", 0)).get(), set),
      KXRT_NORM);
  EXPECT_EQ(kxedSSFree(set), KXRT_NORM);
}

}  // namespace
}  // namespace kx::editor
