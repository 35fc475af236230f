#include "render/block_catalog.h"

#include <algorithm>

#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"

namespace kx::render {
namespace {

bool isFollower(std::string_view type) {
  return type == "ATTRIB" || type == "VERTEX" || type == "SEQEND";
}

}  // namespace

BlockCatalog::BlockCatalog(const db::Database& db) : db_(db), places_(db.objectCount()) {
  for (const char* name : {"ENTITIES", "BLOCKS"}) {
    const int s = db.sectionIndex(name);
    if (s < 0) continue;
    const auto& records = db.sections()[static_cast<std::size_t>(s)].records;
    for (std::size_t i = 0; i < records.size(); ++i) {
      places_[records[i].index()] = {s, static_cast<std::uint32_t>(i)};
      if (std::string_view(name) == "BLOCKS" && db.isType(records[i], "BLOCK")) {
        if (const auto n = db::FieldReader(db, records[i]).rawText(2))
          blockStarts_.emplace(db::tableNameKey(*n), i);  // the first definition of a name wins
      }
    }
  }

  if (const db::Section* objects = db.findSection("OBJECTS")) {
    for (db::ObjectId id : objects->records) {
      if (!db.isType(id, "SORTENTSTABLE") || db.isErased(id)) continue;
      // Groups after the subclass marker: 330 the block, then pairs of 331 entity, 5 sort handle.
      const auto tags = db.tags(id);
      std::size_t i = 1;
      while (i < tags.size() && !(tags[i].code == 100 && db.text(tags[i]) == "AcDbSortentsTable"))
        ++i;
      std::uint64_t block = 0;
      std::uint64_t entity = 0;
      bool haveEntity = false;
      std::unordered_map<std::uint64_t, std::uint64_t> order;
      for (++i; i < tags.size() && tags[i].code < 1000; ++i) {
        const auto value = dxf::parseHex(db.text(tags[i]));
        if (!value) continue;
        if (tags[i].code == 330) block = *value;
        if (tags[i].code == 331) {
          entity = *value;
          haveEntity = true;
        }
        if (tags[i].code == 5 && haveEntity) {
          order[entity] = *value;
          haveEntity = false;
        }
      }
      if (block != 0) sortTables_[block] = std::move(order);
    }
  }
}

void BlockCatalog::sortByDrawOrder(std::uint64_t blockRecordHandle,
                                   std::vector<db::ObjectId>& entities) const {
  const auto table = sortTables_.find(blockRecordHandle);
  if (table == sortTables_.end() || table->second.empty()) return;
  const auto& order = table->second;
  auto key = [&](db::ObjectId id) {
    const std::uint64_t h = db_.handle(id);
    const auto it = order.find(h);
    return it == order.end() ? h : it->second;
  };
  std::vector<std::pair<std::uint64_t, db::ObjectId>> keyed;
  keyed.reserve(entities.size());
  for (db::ObjectId id : entities) keyed.emplace_back(key(id), id);
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < keyed.size(); ++i) entities[i] = keyed[i].second;
}

std::vector<db::ObjectId> BlockCatalog::spaceEntities(bool paper) const {
  std::vector<db::ObjectId> out;
  const db::Section* entities = db_.findSection("ENTITIES");
  if (!entities) return out;
  // Drawings without block records (R12) tell paper space by group 67.
  for (db::ObjectId id : entities->records) {
    const std::string_view type = db_.typeName(id);
    if (type == "SECTION" || type == "ENDSEC" || isFollower(type) || db_.isErased(id)) continue;
    if ((db::FieldReader(db_, id).integer(67) == 1) == paper) out.push_back(id);
  }
  return out;
}

BlockDefinition BlockCatalog::load(std::string_view name) const {
  BlockDefinition block;
  block.name = std::string(name);
  const db::ObjectId record = db::findBlockRecord(db_, name);
  const auto start = blockStarts_.find(db::tableNameKey(name));
  const db::Section* blocks = db_.findSection("BLOCKS");
  if (start != blockStarts_.end() && blocks) {
    const db::Point3 base = db::FieldReader(db_, blocks->records[start->second]).point(10);
    block.basePoint = {base.x, base.y, base.z};
  }
  if (record) {
    block.entities = db::blockEntities(db_, record);
    sortByDrawOrder(db_.handle(record), block.entities);
    return block;
  }
  const std::string key = db::tableNameKey(name);
  if (key == "*MODEL_SPACE") {
    block.entities = spaceEntities(false);
    return block;
  }
  if (key == "*PAPER_SPACE") {
    block.entities = spaceEntities(true);
    return block;
  }
  if (start == blockStarts_.end() || !blocks) return block;
  for (std::size_t i = start->second + 1; i < blocks->records.size(); ++i) {
    const db::ObjectId id = blocks->records[i];
    const std::string_view type = db_.typeName(id);
    if (type == "ENDBLK" || type == "BLOCK") break;
    if (!isFollower(type) && !db_.isErased(id)) block.entities.push_back(id);
  }
  return block;
}

const BlockDefinition* BlockCatalog::find(std::string_view name) {
  const std::string key = db::tableNameKey(name);
  if (const auto it = cache_.find(key); it != cache_.end()) return it->second.get();
  const bool known = blockStarts_.count(key) || db::findBlockRecord(db_, name) ||
                     key == "*MODEL_SPACE" || key == "*PAPER_SPACE";
  auto block = known ? std::make_unique<BlockDefinition>(load(name)) : nullptr;
  return cache_.emplace(key, std::move(block)).first->second.get();
}

const BlockDefinition& BlockCatalog::shownSpace() {
  const auto tilemode = db_.headerText("$TILEMODE");
  const bool paper = tilemode && dxf::parseInteger(*tilemode) == 0;
  return *find(paper ? "*Paper_Space" : "*Model_Space");
}

std::vector<db::ObjectId> BlockCatalog::followers(db::ObjectId entity) const {
  std::vector<db::ObjectId> out;
  if (entity.index() >= places_.size()) return out;
  const Place place = places_[entity.index()];
  if (place.section < 0) return out;
  const auto& records = db_.sections()[static_cast<std::size_t>(place.section)].records;
  for (std::size_t i = place.position + 1; i < records.size(); ++i) {
    const std::string_view type = db_.typeName(records[i]);
    if (type == "SEQEND" || !isFollower(type)) break;
    if (!db_.isErased(records[i])) out.push_back(records[i]);
  }
  return out;
}

}  // namespace kx::render
