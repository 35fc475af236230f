#pragma once
// One way for tests to make drawings: layers, blocks, LINE, TEXT, INSERT and any other entity put
// into a database as a reader would have put them, groups written as "code value | code value",
// and whole DXF texts for reader tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "db/database.h"
#include "db/entities.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "geom/vec.h"

namespace kx::test {

// Calls f(code, value) for each group of "0 LINE | 8 0 | 100 AcDbLine" (groups separated by " | "
// or by line ends), both as written.
template <class F>
void forEachGroup(std::string_view groups, F&& f) {
  while (!groups.empty()) {
    const std::size_t end = std::min(groups.find(" | "), groups.find('\n'));
    const std::string_view group = groups.substr(0, end);
    const std::size_t space = group.find(' ');
    f(group.substr(0, space), space == std::string_view::npos ? "" : group.substr(space + 1));
    if (end == std::string_view::npos) break;
    groups.remove_prefix(end + (groups[end] == '\n' ? 1 : 3));
  }
}

// The groups as DXF text, each code right-aligned in three columns.
inline std::string dxfText(std::string_view groups) {
  std::string out;
  forEachGroup(groups, [&](std::string_view code, std::string_view value) {
    out += fmt::format("{:>3}\n{}\n", code, value);
  });
  return out;
}

// The groups as the body of a new record.
inline std::vector<db::NewTag> newTags(std::string_view groups) {
  std::vector<db::NewTag> tags;
  forEachGroup(groups, [&](std::string_view code, std::string_view value) {
    tags.push_back({std::stoi(std::string(code)), std::string(value)});
  });
  return tags;
}

// Groups `code`, `code` + 10 and `code` + 20 of a point.
inline void pushPoint(std::vector<db::NewTag>& body, int code, geom::Vec3 p) {
  body.push_back({code, db::formatReal(p.x)});
  body.push_back({code + 10, db::formatReal(p.y)});
  body.push_back({code + 20, db::formatReal(p.z)});
}

inline void expectNear(geom::Vec3 a, geom::Vec3 b, double tolerance = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

inline db::ObjectId modelSpace(const db::Database& db) {
  return db::findBlockRecord(db, "*Model_Space");
}

// The first object of `type` not erased; null when there is none.
inline db::ObjectId firstOf(const db::Database& db, std::string_view type) {
  for (std::uint32_t i = 0; i < db.objectCount(); ++i)
    if (db.typeName(db::ObjectId(i)) == type && !db.isErased(db::ObjectId(i)))
      return db::ObjectId(i);
  return {};
}

// Where an entity goes and the properties every entity has.
struct Look {
  std::string layer = "0";
  int color = 256;       // by layer
  db::ObjectId block{};  // model or paper space when null
  bool paper = false;    // in paper space (group 67)
};

// The groups of an entity: its AcDbEntity part, then `groups`, which hold its own subclass
// markers.
inline std::vector<db::NewTag> entityBody(const std::vector<db::NewTag>& groups, const Look& look) {
  std::vector<db::NewTag> body{{100, "AcDbEntity"}};
  if (look.paper) body.push_back({67, "1"});
  body.push_back({8, look.layer});
  if (look.color != 256) body.push_back({62, std::to_string(look.color)});
  body.insert(body.end(), groups.begin(), groups.end());
  return body;
}

inline db::ObjectId addEntityWith(db::Database& db, std::string_view type,
                                  const std::vector<db::NewTag>& groups, const Look& look = {}) {
  const db::ObjectId space = db::findBlockRecord(db, look.paper ? "*Paper_Space" : "*Model_Space");
  return db::addEntity(db, look.block ? look.block : space, type, entityBody(groups, look));
}

// An entity in model or paper space as another program may have written it: nothing is asked of
// its groups, as the reader asks nothing of what it finds in a file.
inline db::ObjectId addEntityAsRead(db::Database& db, std::string_view type,
                                    const std::vector<db::NewTag>& groups, const Look& look = {}) {
  const db::ObjectId space = db::findBlockRecord(db, look.paper ? "*Paper_Space" : "*Model_Space");
  std::vector<db::NewTag> tags = db::identityTags(db, space);
  const std::vector<db::NewTag> body = entityBody(groups, look);
  tags.insert(tags.end(), body.begin(), body.end());
  return db.addRecord(db.sectionIndex("ENTITIES"), {}, type, tags);
}

inline db::ObjectId addLine(db::Database& db, geom::Vec3 a, geom::Vec3 b, const Look& look = {}) {
  std::vector<db::NewTag> body{{100, "AcDbLine"}};
  pushPoint(body, 10, a);
  pushPoint(body, 11, b);
  return addEntityWith(db, "LINE", body, look);
}

// A TEXT, or with type ATTDEF an attribute definition tagged "TAG_" and its text.
struct TextSpec {
  std::string text = "Hello Wg";
  geom::Vec3 position{};
  double height = 2.5;
  double rotation = 0;  // degrees
  int horizontal = 0, vertical = 0;
  std::optional<geom::Vec3> alignment{};  // group 11
  std::optional<double> widthFactor{};
  double oblique = 0;  // degrees
  int generation = 0;
  std::optional<geom::Vec3> normal{};
  std::string style{};
  std::string type = "TEXT";
};

inline db::ObjectId addText(db::Database& db, const TextSpec& s, const Look& look = {}) {
  std::vector<db::NewTag> body{{100, "AcDbText"}};
  pushPoint(body, 10, s.position);
  body.push_back({40, db::formatReal(s.height)});
  body.push_back({1, s.text});
  if (s.rotation != 0) body.push_back({50, db::formatReal(s.rotation)});
  if (s.widthFactor) body.push_back({41, db::formatReal(*s.widthFactor)});
  if (s.oblique != 0) body.push_back({51, db::formatReal(s.oblique)});
  if (!s.style.empty()) body.push_back({7, s.style});
  if (s.generation) body.push_back({71, std::to_string(s.generation)});
  if (s.horizontal) body.push_back({72, std::to_string(s.horizontal)});
  if (s.alignment) pushPoint(body, 11, *s.alignment);
  if (s.normal) pushPoint(body, 210, *s.normal);
  if (s.type == "TEXT") {
    body.push_back({100, "AcDbText"});
    if (s.vertical) body.push_back({73, std::to_string(s.vertical)});
  } else {
    // The vertical mode of attributes is 74; their 73 is the field length.
    body.insert(body.end(), {{100, "AcDbAttributeDefinition"},
                             {280, "0"},
                             {3, "Prompt"},
                             {2, "TAG_" + s.text},
                             {70, "0"},
                             {73, "7"}});
    if (s.vertical) body.push_back({74, std::to_string(s.vertical)});
  }
  return addEntityWith(db, s.type, body, look);
}

// A layer as the host makes one, with its colour and flags (1 frozen, 4 locked).
inline db::ObjectId addLayer(db::Database& db, std::wstring_view name, int color = 7,
                             int flags = 0) {
  const db::ObjectId layer = db::addLayer(db, name);
  db::ObjectFields fields(db, layer);
  if (color != 7) fields.setInteger(62, color);
  if (flags != 0) fields.setInteger(70, flags);
  return layer;
}

// A text style of its name and font file.
inline db::ObjectId addStyle(db::Database& db, std::string_view name, std::string_view font) {
  return db::addTableRecord(
      db, "STYLE",
      newTags(fmt::format("100 AcDbSymbolTableRecord | 100 AcDbTextStyleTableRecord | 2 {} | 70 0"
                          " | 40 0.0 | 41 1.0 | 50 0.0 | 71 0 | 42 2.5 | 3 {} | 4",
                          name, font)));
}

// An empty block with base point `base`: its BLOCK_RECORD, BLOCK and ENDBLK. Entities go into it
// with Look::block set to the record returned.
inline db::ObjectId addBlock(db::Database& db, std::string_view name, geom::Vec3 base = {}) {
  const std::string n(name);
  const db::ObjectId record = db::addTableRecord(
      db, "BLOCK_RECORD", {{100, "AcDbSymbolTableRecord"}, {100, "AcDbBlockTableRecord"}, {2, n}});
  const int blocks = db.sectionIndex("BLOCKS");
  std::vector<db::NewTag> begin = db::identityTags(db, record);
  begin.insert(begin.end(),
               {{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockBegin"}, {2, n}, {70, "0"}});
  pushPoint(begin, 10, base);
  begin.insert(begin.end(), {{3, n}, {1, ""}});
  db.addRecord(blocks, {}, "BLOCK", begin);
  std::vector<db::NewTag> end = db::identityTags(db, record);
  end.insert(end.end(), {{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"}});
  db.addRecord(blocks, {}, "ENDBLK", end);
  return record;
}

// An INSERT of `block` scaled along x, y and z and turned about its insertion point.
inline db::ObjectId addInsert(db::Database& db, std::string_view block, geom::Vec3 at,
                              geom::Vec3 scale = {1, 1, 1}, double rotationDegrees = 0,
                              const Look& look = {}) {
  std::vector<db::NewTag> body{{100, "AcDbBlockReference"}, {2, std::string(block)}};
  pushPoint(body, 10, at);
  if (scale.x != 1 || scale.y != 1 || scale.z != 1) {
    body.push_back({41, db::formatReal(scale.x)});
    body.push_back({42, db::formatReal(scale.y)});
    body.push_back({43, db::formatReal(scale.z)});
  }
  if (rotationDegrees != 0) body.push_back({50, db::formatReal(rotationDegrees)});
  return addEntityWith(db, "INSERT", body, look);
}

// A small R2000 drawing for reader tests: tables, a block, a few entities and the root dictionary.
inline std::string sampleDrawing() {
  return dxfText(R"(0 SECTION | 2 HEADER
9 $ACADVER | 1 AC1015 | 9 $DWGCODEPAGE | 3 ANSI_1252 | 9 $HANDSEED | 5 40
0 ENDSEC
0 SECTION | 2 TABLES
0 TABLE | 2 LAYER | 5 2 | 330 0 | 100 AcDbSymbolTable | 70 1
0 LAYER | 5 10 | 330 2 | 100 AcDbSymbolTableRecord | 100 AcDbLayerTableRecord
2 0 | 70 0 | 62 7 | 6 Continuous
0 ENDTAB
0 TABLE | 2 BLOCK_RECORD | 5 1 | 330 0 | 100 AcDbSymbolTable | 70 1
0 BLOCK_RECORD | 5 1F | 330 1 | 100 AcDbSymbolTableRecord | 100 AcDbBlockTableRecord
2 *Model_Space
0 ENDTAB
0 ENDSEC
0 SECTION | 2 BLOCKS
0 BLOCK | 5 20 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbBlockBegin | 2 *Model_Space | 70 0
10 0.0 | 20 0.0 | 30 0.0 | 3 *Model_Space
0 ENDBLK | 5 21 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbBlockEnd
0 ENDSEC
0 SECTION | 2 ENTITIES
0 TEXT | 5 30 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbText
10 1.0 | 20 2.0 | 30 0.0 | 40 2.5 | 1 Hello | 100 AcDbText
0 LINE | 5 31 | 330 1F | 100 AcDbEntity | 8 0 | 62 1 | 100 AcDbLine
10 0.0 | 20 0.0 | 30 0.0 | 11 10.0 | 21 5.0 | 31 0.0 | 1001 APP | 1000 xdata kept
0 ENDSEC
0 SECTION | 2 OBJECTS
0 DICTIONARY | 5 C | 330 0 | 100 AcDbDictionary
0 ENDSEC
0 EOF)");
}

}  // namespace kx::test
