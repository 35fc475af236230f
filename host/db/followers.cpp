#include "db/followers.h"

namespace kx::db {

bool isFollowerType(std::string_view type) {
  return type == "ATTRIB" || type == "VERTEX" || type == "SEQEND";
}

std::vector<ObjectId> followerRun(const Database& db, ObjectId entity) {
  std::vector<ObjectId> out;
  const Database::Position at = db.position(entity);
  if (at.section < 0) return out;
  const auto& records = db.sections()[static_cast<std::size_t>(at.section)].records;
  for (std::size_t i = at.index + 1; i < records.size(); ++i) {
    const std::string_view type = db.typeName(records[i]);
    if (!isFollowerType(type)) break;
    out.push_back(records[i]);
    if (type == "SEQEND") break;
  }
  return out;
}

std::vector<ObjectId> followers(const Database& db, ObjectId entity) {
  std::vector<ObjectId> out = followerRun(db, entity);
  std::erase_if(out, [&db](ObjectId id) { return db.isErased(id) || db.isType(id, "SEQEND"); });
  return out;
}

}  // namespace kx::db
