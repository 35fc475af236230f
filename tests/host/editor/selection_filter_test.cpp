// Selection filters: what they select, on drawings as read and as changed here, and which lists
// they refuse.

#include "editor/selection_filter.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "editor/selection_sets.h"
#include "kx/kxed.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

// A filter list held by the test: elements and strings live as long as it does. A copy gets
// elements of its own, linked among themselves.
class FilterList {
 public:
  FilterList() = default;
  FilterList(const FilterList& other) {
    for (std::size_t i = 0; i < other.items_.size(); ++i) {
      if (other.ownString_[i] >= 0) {
        str(other.items_[i].code, other.strings_[other.ownString_[i]]);
      } else {
        push(other.items_[i].code).value = other.items_[i].value;
      }
    }
  }
  FilterList& operator=(const FilterList&) = delete;

  FilterList& str(int code, std::wstring value) {
    strings_.push_back(std::move(value));
    resbuf& r = push(code);
    r.value.string = strings_.back().data();
    ownString_.back() = static_cast<long>(strings_.size() - 1);
    return *this;
  }
  FilterList& op(std::wstring name) { return str(-4, std::move(name)); }
  FilterList& i16(int code, short value) {
    push(code).value.int16 = value;
    return *this;
  }
  FilterList& real(int code, double value) {
    push(code).value.real = value;
    return *this;
  }
  FilterList& point(int code, double x, double y, double z) {
    resbuf& r = push(code);
    r.value.point[0] = x;
    r.value.point[1] = y;
    r.value.point[2] = z;
    return *this;
  }
  FilterList& name(int code, const db::Database& db, db::ObjectId id) {
    const db::EntityName n = db.entityName(id);
    resbuf& r = push(code);
    r.value.name[0] = n.drawing;
    r.value.name[1] = n.object;
    return *this;
  }
  FilterList& nullString(int code) {
    push(code).value.string = nullptr;
    return *this;
  }
  const resbuf* get() const { return items_.empty() ? nullptr : &items_.front(); }

 private:
  resbuf& push(int code) {
    resbuf r{};
    r.code = static_cast<short>(code);
    items_.push_back(r);
    ownString_.push_back(-1);
    if (items_.size() > 1) items_[items_.size() - 2].next = &items_.back();
    return items_.back();
  }
  std::deque<resbuf> items_;
  std::deque<std::wstring> strings_;
  std::vector<long> ownString_;  // per element: its string in strings_, or -1
};

using Tags = std::vector<db::NewTag>;
Tags operator+(Tags a, const Tags& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// A point's three groups (z 0).
Tags at(int code, const char* x, const char* y) {
  return {{code, x}, {code + 10, y}, {code + 20, "0.0"}};
}
Tags entity(const std::string& layer) {
  return {{100, "AcDbEntity"}, {8, layer}};
}

// A drawing with a few of everything a filter tells apart, each entity known by a label.
struct TestDrawing {
  db::Database db = db::newDrawing();
  db::ObjectId model = db::findBlockRecord(db, "*Model_Space");
  db::ObjectId paper = db::findBlockRecord(db, "*Paper_Space");
  std::map<std::string, db::ObjectId> ids;

  void add(const std::string& label, db::ObjectId space, const std::string& type,
           std::vector<db::NewTag> body) {
    ids[label] = db::addEntity(db, space, type, body);
  }
  void text(const std::string& label, const std::string& layer, std::vector<db::NewTag> more = {}) {
    add(label, model, "TEXT",
        entity(layer) + Tags{{100, "AcDbText"}} + at(10, "1.0", "2.0") +
            Tags{{40, "2.5"}, {1, "note"}} + more + Tags{{100, "AcDbText"}});
  }
  void insert(const std::string& label, const std::string& layer, const std::string& block,
              const char* x, const char* y) {
    add(label, model, "INSERT",
        entity(layer) + Tags{{100, "AcDbBlockReference"}, {2, block}} + at(10, x, y));
  }

  TestDrawing() {
    text("text A1", "A1", {{50, "90"}});
    text("text B", "B");
    text("text Arch", "Arch-notes");
    add("mtext A2", model, "MTEXT",
        entity("A2") + Tags{{100, "AcDbMText"}} + at(10, "0.0", "0.0") +
            Tags{{40, "3.5"}, {1, "multi"}});
    add("line red", model, "LINE",
        entity("A1") + Tags{{62, "1"}, {100, "AcDbLine"}} + at(10, "0.0", "0.0") +
            at(11, "10.0", "0.0"));
    add("circle X", model, "CIRCLE",
        entity("X") + Tags{{100, "AcDbCircle"}} + at(10, "20.0", "20.0") + Tags{{40, "1.0"}});
    insert("door", "0", "DOOR", "3.0", "4.0");
    insert("window on X", "X", "WINDOW", "3.0", "4.0");
    insert("anonymous", "0", "*U7", "0.0", "0.0");
    add("outline", model, "LWPOLYLINE",
        entity("A1") + Tags{{100, "AcDbPolyline"}, {90, "2"}, {70, "0"}} + at(10, "0.0", "0.0") +
            at(10, "3.0", "4.0"));
    // Reactors that name the paper-space record: the entity's owner is still model space.
    const std::string paperHandle = fmt::format("{:X}", db.handle(paper));
    add("reactor line", model, "LINE",
        Tags{{102, "{ACAD_REACTORS"}, {330, paperHandle}, {102, "}"}} + entity("B") +
            Tags{{100, "AcDbLine"}} + at(10, "0.0", "0.0") + at(11, "1.0", "1.0") +
            Tags{{1001, "MYAPP"}, {1000, "data"}});
    add("paper text", paper, "TEXT",
        Tags{{100, "AcDbEntity"}, {67, "1"}, {410, "Layout1"}, {8, "A1"}, {100, "AcDbText"}} +
            at(10, "0.0", "0.0") + Tags{{40, "5.0"}, {1, "title"}, {100, "AcDbText"}});
    // Says it is in paper space but not which layout: that comes from its owner.
    add("paper line", paper, "LINE",
        Tags{{100, "AcDbEntity"}, {67, "1"}, {8, "B"}, {100, "AcDbLine"}} + at(10, "0.0", "0.0") +
            at(11, "1.0", "1.0"));
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

Labels select(const TestDrawing& d, const db::Database& db, const FilterList& list) {
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
    EXPECT_EQ(select(d, db, FilterList().str(0, L"TEXT,MTEXT")),
              (Labels{"mtext A2", "paper text", "text A1", "text Arch", "text B"}));
    EXPECT_EQ(select(d, db, FilterList().str(0, L"*text")),
              select(d, db, FilterList().str(0, L"TEXT,MTEXT")));
    EXPECT_EQ(select(d, db, FilterList().str(0, L"~*T*")),
              (Labels{"circle X", "line red", "outline", "paper line", "reactor line"}));
    EXPECT_EQ(select(d, db, FilterList().str(KXRT_DXF0, L"circle")), (Labels{"circle X"}));
    EXPECT_EQ(select(d, db, FilterList().str(0, L"TEXT").str(8, L"a*")),
              (Labels{"paper text", "text A1", "text Arch"}));
    EXPECT_EQ(select(d, db, FilterList().str(8, L"A#,X")),
              (Labels{"circle X", "line red", "mtext A2", "outline", "paper text", "text A1",
                      "window on X"}));
    EXPECT_EQ(select(d, db, FilterList().str(2, L"DOOR")), (Labels{"door"}));
    EXPECT_EQ(select(d, db, FilterList().str(0, L"INSERT").str(2, L"`*U*")), (Labels{"anonymous"}));
    EXPECT_EQ(select(d, db, FilterList().str(0, L"INSERT").str(2, L"~`**")),
              (Labels{"door", "window on X"}));
    EXPECT_EQ(select(d, db, FilterList().i16(62, 1)), (Labels{"line red"}));
    // No colour group means by layer.
    EXPECT_EQ(select(d, db, FilterList().str(0, L"LINE").i16(62, 256)),
              (Labels{"paper line", "reactor line"}));
    EXPECT_EQ(select(d, db, FilterList().str(1, L"multi")), (Labels{"mtext A2"}));
  });
}

TEST(SelectionFilter, NestedOperatorsInAnyCase) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    // Texts on layers A* that are not multi-line texts.
    EXPECT_EQ(select(d, db,
                     FilterList()
                         .op(L"<AND")
                         .str(0, L"*TEXT")
                         .str(8, L"A*")
                         .op(L"<not")
                         .str(0, L"MTEXT")
                         .op(L"Not>")
                         .op(L"and>")),
              (Labels{"paper text", "text A1", "text Arch"}));
    // Inserts of DOOR, or anything on layer X.
    EXPECT_EQ(select(d, db,
                     FilterList()
                         .op(L"<or")
                         .op(L"<and")
                         .str(0, L"INSERT")
                         .str(2, L"door")
                         .op(L"AND>")
                         .str(8, L"X")
                         .op(L"OR>")),
              (Labels{"circle X", "door", "window on X"}));
    // Exactly one of: a TEXT, on layer A1.
    EXPECT_EQ(select(d, db, FilterList().op(L"<XOR").str(0, L"TEXT").str(8, L"A1").op(L"xor>")),
              (Labels{"line red", "outline", "text Arch", "text B"}));
    // A test outside the operators is ANDed with them.
    EXPECT_EQ(select(d, db,
                     FilterList()
                         .str(8, L"B")
                         .op(L"<or")
                         .str(0, L"TEXT")
                         .op(L"<not")
                         .i16(67, 0)
                         .op(L"not>")
                         .op(L"or>")),
              (Labels{"paper line", "text B"}));
  });
}

TEST(SelectionFilter, PaperSpaceLayoutsReactorsAndExtendedData) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    EXPECT_EQ(select(d, db, FilterList().i16(67, 1)), (Labels{"paper line", "paper text"}));
    EXPECT_EQ(select(d, db, FilterList().str(410, L"layout1")),
              (Labels{"paper line", "paper text"}));
    EXPECT_EQ(select(d, db, FilterList().str(410, L"Lay*").str(0, L"LINE")),
              (Labels{"paper line"}));
    EXPECT_EQ(select(d, db, FilterList().str(410, L"Model")).size(), 11u);
    EXPECT_TRUE(select(d, db, FilterList().str(410, L"Layout2")).empty());

    EXPECT_EQ(select(d, db, FilterList().str(102, L"{ACAD_REACTORS")), (Labels{"reactor line"}));
    EXPECT_EQ(
        select(d, db,
               FilterList().str(0, L"LINE").op(L"<not").str(102, L"{ACAD_REACTORS").op(L"not>")),
        (Labels{"line red", "paper line"}));
    // The paper-space record named inside the reactors is not the owner.
    EXPECT_EQ(select(d, db, FilterList().name(330, db, d.paper)),
              (Labels{"paper line", "paper text"}));

    EXPECT_EQ(select(d, db, FilterList().str(-3, L"").str(1001, L"my*")), (Labels{"reactor line"}));
    EXPECT_TRUE(select(d, db, FilterList().str(-3, L"").str(1001, L"OTHER")).empty());
  });
}

TEST(SelectionFilter, ComparesNumbersPointsAndAngles) {
  onBothForms([](const TestDrawing& d, const db::Database& db) {
    EXPECT_EQ(select(d, db, FilterList().op(L">=").real(40, 3.5)),
              (Labels{"mtext A2", "paper text"}));
    EXPECT_EQ(select(d, db, FilterList().op(L"<").i16(62, 256)), (Labels{"line red"}));
    EXPECT_EQ(select(d, db, FilterList().op(L">,>,*").point(10, 10, 10, 99)), (Labels{"circle X"}));
    // Any of a polyline's vertices may match.
    EXPECT_EQ(select(d, db, FilterList().point(10, 3, 4, 0)),
              (Labels{"door", "outline", "window on X"}));
    // Angles are radians here and degrees in the file.
    EXPECT_EQ(select(d, db, FilterList().real(50, std::numbers::pi / 2)), (Labels{"text A1"}));
    EXPECT_EQ(select(d, db, FilterList().op(L"!=").str(8, L"A*,B,0")),
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
  EXPECT_EQ(select(read, db, FilterList().str(8, L"moved")), (Labels{"text B"}));
  EXPECT_EQ(select(read, db, FilterList().str(8, L"B")), (Labels{"paper line", "reactor line"}));

  db::setEntityErased(db, read.ids["text A1"], true);
  EXPECT_EQ(select(read, db, FilterList().str(0, L"TEXT")),
            (Labels{"paper text", "text Arch", "text B"}));
  EXPECT_EQ(lastMainEntity(db), read.ids["paper line"]);
  db::setEntityErased(db, read.ids["paper line"], true);
  EXPECT_EQ(lastMainEntity(db), read.ids["paper text"]);

  // Attributes and their end marker follow their INSERT but are never selected themselves.
  db::Database& b = built.db;
  const db::ObjectId tagged =
      db::addEntity(b, built.model, "INSERT",
                    entity("0") + Tags{{100, "AcDbBlockReference"}, {66, "1"}, {2, "TAG"}} +
                        at(10, "0.0", "0.0"));
  db::addEntity(b, built.model, "ATTRIB",
                entity("0") + Tags{{100, "AcDbText"}} + at(10, "0.0", "0.0") +
                    Tags{{40, "1.0"}, {1, "v"}, {100, "AcDbAttribute"}, {2, "T"}, {70, "0"}});
  db::addEntity(b, built.model, "SEQEND", {{100, "AcDbEntity"}, {8, "0"}});
  const auto all = selectAll(b, SelectionFilter());
  EXPECT_EQ(all.size(), built.ids.size() + 1);
  EXPECT_EQ(all.back(), tagged);
  EXPECT_EQ(lastMainEntity(b), tagged);
  EXPECT_TRUE(select(built, b, FilterList().str(0, L"ATTRIB,SEQEND")).empty());
}

class SelectionFilterSdk : public test::SdkTest {};

TEST_F(SelectionFilterSdk, RefusesMalformedListsAndMakesNoSet) {
  TestDrawing d;
  std::vector<std::pair<std::string, FilterList>> bad;
  bad.emplace_back("open without close", FilterList().op(L"<or").str(0, L"TEXT"));
  bad.emplace_back("close without open", FilterList().str(0, L"TEXT").op(L"or>"));
  bad.emplace_back("crossed", FilterList().op(L"<and").str(0, L"TEXT").op(L"or>"));
  bad.emplace_back("crossed nesting",
                   FilterList().op(L"<or").op(L"<and").str(0, L"TEXT").op(L"or>").op(L"and>"));
  bad.emplace_back("unknown operator", FilterList().op(L"<nand").str(0, L"TEXT").op(L"nand>"));
  bad.emplace_back("not with two", FilterList().op(L"<not").str(0, L"A").str(8, L"B").op(L"not>"));
  bad.emplace_back("xor with one", FilterList().op(L"<xor").str(0, L"A").op(L"xor>"));
  bad.emplace_back("empty and", FilterList().op(L"<and").op(L"and>"));
  bad.emplace_back("comparison with nothing after", FilterList().str(0, L"TEXT").op(L">"));
  bad.emplace_back("comparison of a type", FilterList().op(L">").str(0, L"TEXT"));
  bad.emplace_back("string without text", FilterList().nullString(8));
  bad.emplace_back("operator without text", FilterList().nullString(-4));
  bad.emplace_back("result type as group", FilterList().str(KXRT_STR, L"x"));
  bad.emplace_back("reference to nothing", FilterList().i16(330, 0));
  bad.emplace_back("-3 without applications", FilterList().str(-3, L"").str(8, L"0"));

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
  ASSERT_EQ(kxedSSGet(L"X", nullptr, nullptr,
                      FilterList().op(L"<OR").str(0, L"TEXT").op(L"or>").get(), set),
            KXRT_NORM);
  EXPECT_EQ(kxedSSFree(set), KXRT_NORM);
}

}  // namespace
}  // namespace kx::editor
