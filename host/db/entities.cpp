#include "db/entities.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>

#include "db/field_table.h"
#include "db/followers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {
namespace {

enum class Space { None, Model, Paper };

Space spaceOf(const Database& db, ObjectId blockRecord) {
  const auto name = FieldReader(db, blockRecord).rawText(2);
  if (!name) return Space::None;
  if (sameTableName(*name, "*Model_Space")) return Space::Model;
  return sameTableName(*name, "*Paper_Space") ? Space::Paper : Space::None;
}

// Position of the BLOCK record that starts `blockRecord`'s definition, within the BLOCKS section.
std::optional<std::size_t> blockStart(const Database& db, ObjectId blockRecord) {
  const ObjectId begin = findBlockBegin(db, blockRecord);
  if (begin.isNull()) return std::nullopt;
  return db.position(begin).index;
}

bool hasFollowers(const Database& db, ObjectId id) {
  if (db.isType(id, "POLYLINE")) return true;
  if (!db.isType(id, "INSERT")) return false;
  return FieldReader(db, id).integer(66) == 1;
}

}  // namespace

ObjectId findBlockRecord(const Database& db, std::string_view name) {
  return findTableRecord(db, "BLOCK_RECORD", db.codec().decode(name));
}

ObjectId findBlockBegin(const Database& db, ObjectId blockRecord) {
  const Section* blocks = db.findSection("BLOCKS");
  if (!blocks || blockRecord.isNull()) return {};
  for (ObjectId id : blocks->records)
    if (db.isType(id, "BLOCK") && db.owner(id) == blockRecord) return id;
  return findBlockBeginNamed(db, FieldReader(db, blockRecord).rawText(2).value_or(""));
}

ObjectId findBlockBeginNamed(const Database& db, std::string_view name) {
  const Section* blocks = db.findSection("BLOCKS");
  if (!blocks || name.empty()) return {};
  for (ObjectId id : blocks->records) {
    if (!db.isType(id, "BLOCK")) continue;
    const auto n = FieldReader(db, id).rawText(2);
    if (n && sameTableName(*n, name)) return id;
  }
  return {};
}

geom::Vec3 blockBasePoint(const Database& db, ObjectId blockBegin) {
  if (blockBegin.isNull()) return {};
  const Point3 p = FieldReader(db, blockBegin).point(10);
  return {p.x, p.y, p.z};
}

std::vector<ObjectId> entitiesOfBlockBegin(const Database& db, ObjectId blockBegin) {
  std::vector<ObjectId> out;
  const Database::Position at = db.position(blockBegin);
  if (at.section < 0) return out;
  const auto& records = db.sections()[static_cast<std::size_t>(at.section)].records;
  for (std::size_t i = at.index + 1; i < records.size(); ++i) {
    const ObjectId id = records[i];
    const std::string_view t = db.typeName(id);
    if (t == "ENDBLK" || t == "BLOCK") break;
    if (!db.isErased(id) && !isFollowerType(t)) out.push_back(id);
  }
  return out;
}

std::vector<ObjectId> blockEntities(const Database& db, ObjectId blockRecord) {
  std::vector<ObjectId> out;
  auto take = [&](ObjectId id) {
    const std::string_view t = db.typeName(id);
    if (db.isErased(id) || isFollowerType(t)) return;
    out.push_back(id);
  };
  const Space space = spaceOf(db, blockRecord);
  if (space != Space::None) {
    const Section* entities = db.findSection("ENTITIES");
    if (!entities) return out;
    const bool paper = space == Space::Paper;
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
  return entitiesOfBlockBegin(db, findBlockBegin(db, blockRecord));
}

namespace {

// Throws std::invalid_argument when a group the type needs is not among the groups that
// `hasGroup` finds.
template <typename HasGroup>
void checkRequiredGroups(std::string_view type, HasGroup hasGroup) {
  const ClassSpec* cls = classSpecOf(type);
  if (!cls) return;
  for (const SubclassSpec* part : cls->subclasses)
    for (const FieldSpec& f : part->fields)
      if (f.required && !hasGroup(f.code))
        throw std::invalid_argument(fmt::format("{} needs group {} ({})", type, f.code, f.name));
}

// Where an entity of the block goes: the ENTITIES section for the spaces, else before the
// block's ENDBLK.
struct EntityPlace {
  int section = -1;
  ObjectId before;
  bool paper = false;
};

EntityPlace entityPlace(const Database& db, ObjectId blockRecord) {
  EntityPlace place;
  const Space space = spaceOf(db, blockRecord);
  place.paper = space == Space::Paper;
  if (space != Space::None) {
    place.section = db.sectionIndex("ENTITIES");
  } else if (const auto start = blockStart(db, blockRecord)) {
    place.section = db.sectionIndex("BLOCKS");
    const auto& records = db.sections()[static_cast<std::size_t>(place.section)].records;
    for (std::size_t i = *start + 1; i < records.size(); ++i) {
      if (db.isType(records[i], "ENDBLK")) {
        place.before = records[i];
        break;
      }
    }
  }
  if (place.section < 0) throw std::invalid_argument("the block has no place in the drawing");
  return place;
}

// Readers that go by group 67 rather than the owner (every R12 reader) must find a paper space
// entity there too: it goes right after the entity's subclass marker, or first without one. The
// offset of that place from the start of the body; nothing when the entity needs no flag.
template <typename BodyCode>
std::optional<std::size_t> paperFlagPlace(const EntityPlace& place, std::size_t bodySize,
                                          BodyCode code) {
  if (!place.paper) return std::nullopt;
  for (std::size_t i = 0; i < bodySize; ++i)
    if (code(i) == 67) return std::nullopt;
  return bodySize > 0 && code(0) == 100 ? 1 : 0;
}

}  // namespace

ObjectId addEntity(Database& db, ObjectId blockRecord, std::string_view type,
                   const std::vector<NewTag>& body) {
  checkRequiredGroups(type, [&](int code) {
    return std::any_of(body.begin(), body.end(), [&](const NewTag& t) { return t.code == code; });
  });
  const EntityPlace place = entityPlace(db, blockRecord);
  std::vector<NewTag> tags = identityTags(db, blockRecord);
  const std::size_t bodyStart = tags.size();
  tags.insert(tags.end(), body.begin(), body.end());
  const auto paperFlag =
      paperFlagPlace(place, body.size(), [&](std::size_t i) { return body[i].code; });
  if (paperFlag)
    tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(bodyStart + *paperFlag), {67, "1"});
  return db.addRecord(place.section, place.before, type, tags);
}

ObjectId moveEntity(Database& db, ObjectId blockRecord, ObjectId made) {
  const std::string_view type = db.typeName(made);
  const std::size_t from = bodyStart(db, made);
  const std::span<const Tag> body = db.tags(made).subspan(from);
  checkRequiredGroups(type, [&](int code) {
    return std::any_of(body.begin(), body.end(), [&](const Tag& t) { return t.code == code; });
  });
  const EntityPlace place = entityPlace(db, blockRecord);
  const auto paperFlag =
      paperFlagPlace(place, body.size(), [&](std::size_t i) { return int{body[i].code}; });
  const std::vector<NewTag> identity = identityTags(db, blockRecord);
  const ObjectId id = db.addRecordFrom(place.section, place.before, made, from, identity);
  if (paperFlag) db.insertTag(id, 1 + identity.size() + *paperFlag, 67, "1");
  return id;
}

void setEntityErased(Database& db, ObjectId entity, bool erased) {
  db.setErased(entity, erased);
  if (!hasFollowers(db, entity)) return;
  for (const ObjectId follower : followerRun(db, entity)) db.setErased(follower, erased);
}

}  // namespace kx::db
