#include "render/block_catalog.h"

#include "db/draw_order.h"
#include "db/entities.h"
#include "db/followers.h"
#include "db/header_values.h"
#include "db/layouts.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "support/utf8.h"

namespace kx::render {

std::vector<db::ObjectId> BlockCatalog::spaceEntities(bool paper) const {
  std::vector<db::ObjectId> out;
  const db::Section* entities = db_.findSection("ENTITIES");
  if (!entities) return out;
  // Drawings without block records (R12) tell paper space by group 67.
  for (db::ObjectId id : entities->records) {
    const std::string_view type = db_.typeName(id);
    if (type == "SECTION" || type == "ENDSEC" || db::isFollowerType(type) || db_.isErased(id))
      continue;
    if ((db::FieldReader(db_, id).integer(67) == 1) == paper) out.push_back(id);
  }
  return out;
}

std::unique_ptr<BlockDefinition> BlockCatalog::load(std::string_view name) const {
  auto block = std::make_unique<BlockDefinition>();
  block->name = std::string(name);
  const db::ObjectId record = db::findBlockRecord(db_, name);
  const db::ObjectId begin =
      record ? db::findBlockBegin(db_, record) : db::findBlockBeginNamed(db_, name);
  block->basePoint = db::blockBasePoint(db_, begin);
  if (record) {
    block->entities = db::drawOrder(db_, record);
    return block;
  }
  const std::string key = db::tableNameKey(name);
  if (key == "*MODEL_SPACE" || key == "*PAPER_SPACE") {
    block->entities = spaceEntities(key == "*PAPER_SPACE");
    return block;
  }
  if (begin.isNull()) return nullptr;
  block->entities = db::entitiesOfBlockBegin(db_, begin);
  return block;
}

const BlockDefinition* BlockCatalog::find(std::string_view name) {
  const std::string key = db::tableNameKey(name);
  if (const auto it = cache_.find(key); it != cache_.end()) return it->second.get();
  return cache_.emplace(key, load(name)).first->second.get();
}

const BlockDefinition* BlockCatalog::layout(std::string_view name) {
  const db::ObjectId record = db::findLayoutBlock(db_, support::decodeUtf8Lenient(name));
  const auto blockName = record ? db::FieldReader(db_, record).rawText(2) : std::nullopt;
  return blockName ? find(*blockName) : nullptr;
}

const BlockDefinition& BlockCatalog::shownSpace() {
  const bool paper = db::headerInteger(db_, "$TILEMODE").value_or(1) == 0;
  return *find(paper ? "*Paper_Space" : "*Model_Space");
}

}  // namespace kx::render
