#include "db/entities.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>

#include "db/field_table.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {
namespace {

bool isSpace(const Database& db, ObjectId blockRecord) {
  FieldReader record(db, blockRecord);
  const auto name = record.rawText(2);
  return name && (sameTableName(*name, "*Model_Space") || sameTableName(*name, "*Paper_Space"));
}

bool isPaperSpace(const Database& db, ObjectId blockRecord) {
  FieldReader record(db, blockRecord);
  const auto name = record.rawText(2);
  return name && sameTableName(*name, "*Paper_Space");
}

// Position of the BLOCK record that starts `blockRecord`'s definition, within the BLOCKS section.
std::optional<std::size_t> blockStart(const Database& db, ObjectId blockRecord) {
  const Section* blocks = db.findSection("BLOCKS");
  if (!blocks) return std::nullopt;
  FieldReader record(db, blockRecord);
  const auto name = record.rawText(2);
  for (std::size_t i = 0; i < blocks->records.size(); ++i) {
    const ObjectId id = blocks->records[i];
    if (!db.isType(id, "BLOCK")) continue;
    if (db.owner(id) == blockRecord) return i;
    FieldReader block(db, id);
    if (name && block.rawText(2) && sameTableName(*block.rawText(2), *name)) return i;
  }
  return std::nullopt;
}

bool hasFollowers(const Database& db, ObjectId id) {
  if (db.isType(id, "POLYLINE")) return true;
  if (!db.isType(id, "INSERT")) return false;
  return FieldReader(db, id).integer(66) == 1;
}

}  // namespace

bool isFollower(std::string_view type) {
  return type == "ATTRIB" || type == "VERTEX" || type == "SEQEND";
}

ObjectId findBlockRecord(const Database& db, std::string_view name) {
  return findTableRecord(db, "BLOCK_RECORD", db.codec().decode(name));
}

std::vector<ObjectId> blockEntities(const Database& db, ObjectId blockRecord) {
  std::vector<ObjectId> out;
  auto take = [&](ObjectId id) {
    if (db.isErased(id) || isFollower(db.typeName(id))) return;
    out.push_back(id);
  };
  if (isSpace(db, blockRecord)) {
    const Section* entities = db.findSection("ENTITIES");
    if (!entities) return out;
    const bool paper = isPaperSpace(db, blockRecord);
    for (ObjectId id : entities->records) {
      if (db.isType(id, "SECTION") || db.isType(id, "ENDSEC")) continue;
      // Drawings without owners (R12) tell paper space by group 67.
      const ObjectId owner = db.owner(id);
      const bool belongs =
          owner.isNull() ? (FieldReader(db, id).integer(67) == 1) == paper : owner == blockRecord;
      if (belongs) take(id);
    }
    return out;
  }
  const Section* blocks = db.findSection("BLOCKS");
  const auto start = blockStart(db, blockRecord);
  if (!blocks || !start) return out;
  for (std::size_t i = *start + 1; i < blocks->records.size(); ++i) {
    const ObjectId id = blocks->records[i];
    if (db.isType(id, "ENDBLK") || db.isType(id, "BLOCK")) break;
    take(id);
  }
  return out;
}

ObjectId addEntity(Database& db, ObjectId blockRecord, std::string_view type,
                   const std::vector<NewTag>& body) {
  if (const ClassSpec* cls = classSpecOf(type)) {
    for (const SubclassSpec* part : cls->subclasses) {
      for (const FieldSpec& f : part->fields) {
        if (!f.required) continue;
        const bool given = std::any_of(body.begin(), body.end(),
                                       [&](const NewTag& t) { return t.code == f.code; });
        if (!given)
          throw std::invalid_argument(fmt::format("{} needs group {} ({})", type, f.code, f.name));
      }
    }
  }
  int section = -1;
  ObjectId before;
  if (isSpace(db, blockRecord)) {
    section = db.sectionIndex("ENTITIES");
  } else if (const auto start = blockStart(db, blockRecord)) {
    section = db.sectionIndex("BLOCKS");
    const auto& records = db.sections()[static_cast<std::size_t>(section)].records;
    for (std::size_t i = *start + 1; i < records.size(); ++i) {
      if (db.isType(records[i], "ENDBLK")) {
        before = records[i];
        break;
      }
    }
  }
  if (section < 0) throw std::invalid_argument("the block has no place in the drawing");

  std::vector<NewTag> tags = identityTags(db, blockRecord);
  tags.insert(tags.end(), body.begin(), body.end());
  return db.addRecord(section, before, type, tags);
}

void setEntityErased(Database& db, ObjectId entity, bool erased) {
  db.setErased(entity, erased);
  if (!hasFollowers(db, entity)) return;
  for (const Section& section : db.sections()) {
    const auto at = std::find(section.records.begin(), section.records.end(), entity);
    if (at == section.records.end()) continue;
    for (auto it = at + 1; it != section.records.end(); ++it) {
      const std::string_view t = db.typeName(*it);
      if (!isFollower(t)) break;
      db.setErased(*it, erased);
      if (t == "SEQEND") break;
    }
    return;
  }
}

}  // namespace kx::db
