#include "db/block_index.h"

#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {

BlockReferenceIndex::BlockReferenceIndex(const Database& db) {
  auto note = [&](ObjectId insert, ObjectId container) {
    if (db.isErased(insert) || !db.isType(insert, "INSERT")) return;
    const auto name = FieldReader(db, insert).rawText(2);
    if (!name) return;
    byName_[tableNameKey(*name)].push_back({insert, container});
  };
  if (const Section* entities = db.findSection("ENTITIES"))
    for (ObjectId id : entities->records) {
      if (!db.isType(id, "INSERT")) continue;
      ObjectId owner = db.owner(id);
      if (owner.isNull() || !db.isType(owner, "BLOCK_RECORD")) {
        // Drawings without owners tell the spaces by group 67.
        owner = findBlockRecord(
            db, FieldReader(db, id).integer(67) == 1 ? "*Paper_Space" : "*Model_Space");
      }
      note(id, owner);
    }
  if (const Section* blocks = db.findSection("BLOCKS")) {
    ObjectId container;
    bool live = false;
    for (ObjectId id : blocks->records) {
      const std::string_view type = db.typeName(id);
      if (type == "BLOCK") {
        container = db.owner(id);
        if (container.isNull() || !db.isType(container, "BLOCK_RECORD"))
          container = findBlockRecord(db, FieldReader(db, id).rawText(2).value_or(""));
        live = !db.isErased(id) && !container.isNull() && !db.isErased(container);
        continue;
      }
      if (type == "ENDBLK") {
        live = false;
        continue;
      }
      if (live && type == "INSERT") note(id, container);
    }
  }
}

const std::vector<BlockReference>& BlockReferenceIndex::referencesTo(
    std::string_view blockName) const {
  static const std::vector<BlockReference> none;
  const auto it = byName_.find(tableNameKey(blockName));
  return it == byName_.end() ? none : it->second;
}

}  // namespace kx::db
