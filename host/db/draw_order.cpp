#include "db/draw_order.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>

#include "db/class_entries.h"
#include "db/dictionaries.h"
#include "db/entities.h"
#include "db/followers.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"

namespace kx::db {
namespace {

constexpr std::string_view kMarker = "AcDbSortentsTable";

std::string hex(std::uint64_t handle) {
  return fmt::format("{:X}", handle);
}

// Index of the table's subclass marker; nothing for a table without one.
std::optional<std::size_t> markerIndex(const Database& db, ObjectId table) {
  const auto tags = db.tags(table);
  for (std::size_t i = 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i)
    if (tags[i].code == 100 && db.text(tags[i]) == kMarker) return i;
  return std::nullopt;
}

// The block record handle the table names (its 330 after the marker); 0 when none.
std::uint64_t tableBlock(const Database& db, ObjectId table) {
  const auto at = markerIndex(db, table);
  if (!at) return 0;
  const auto tags = db.tags(table);
  for (std::size_t i = *at + 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i)
    if (tags[i].code == 330) return dxf::parseHex(db.text(tags[i])).value_or(0);
  return 0;
}

// Entity handle -> sort handle, read the way the renderer reads it.
std::unordered_map<std::uint64_t, std::uint64_t> sortHandles(const Database& db, ObjectId table) {
  std::unordered_map<std::uint64_t, std::uint64_t> out;
  const auto at = markerIndex(db, table);
  if (!at) return out;
  const auto tags = db.tags(table);
  std::optional<std::uint64_t> entity;
  for (std::size_t i = *at + 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    const auto value = dxf::parseHex(db.text(tags[i]));
    if (!value) continue;
    if (tags[i].code == 331) entity = *value;
    if (tags[i].code == 5 && entity) {
      out[*entity] = *value;
      entity.reset();
    }
  }
  return out;
}

bool isLiveTable(const Database& db, ObjectId id) {
  return id && !db.isErased(id) && db.isType(id, "SORTENTSTABLE");
}

// Gives the block record an extension dictionary when it has none.
ObjectId ensureExtensionDictionary(Database& db, ObjectId owner) {
  if (const ObjectId existing = extensionDictionary(db, owner)) return existing;
  const int section = db.sectionIndex("OBJECTS");
  if (section < 0) return {};
  const std::string ownerHandle = hex(db.handle(owner));
  const std::uint64_t handle = db.allocateHandle();
  const ObjectId dictionary = db.addRecord(section, {}, "DICTIONARY",
                                           {{5, hex(handle)},
                                            {102, "{ACAD_REACTORS"},
                                            {330, ownerHandle},
                                            {102, "}"},
                                            {330, ownerHandle},
                                            {100, "AcDbDictionary"},
                                            {280, "1"},
                                            {281, "1"}});
  // The reference goes after the handle and any reactors, before the owner.
  const auto tags = db.tags(owner);
  std::size_t at = 1;
  while (at < tags.size() && tags[at].code != 330 && tags[at].code != 100) {
    if (tags[at].code == 102 && db.text(tags[at]) == "{ACAD_REACTORS") {
      while (at < tags.size() && !(tags[at].code == 102 && db.text(tags[at]) == "}")) ++at;
    }
    ++at;
  }
  db.insertTag(owner, at, 102, "{ACAD_XDICTIONARY");
  db.insertTag(owner, at + 1, 360, hex(handle));
  db.insertTag(owner, at + 2, 102, "}");
  return dictionary;
}

}  // namespace

ObjectId findSortTable(const Database& db, ObjectId blockRecord) {
  if (!blockRecord) return {};
  if (const ObjectId dictionary = extensionDictionary(db, blockRecord)) {
    const ObjectId table = dictionaryLookup(db, dictionary, L"ACAD_SORTENTS");
    if (isLiveTable(db, table)) return table;
  }
  // Some writers leave the dictionary out; the table still names its block.
  if (const Section* objects = db.findSection("OBJECTS")) {
    for (ObjectId id : objects->records)
      if (isLiveTable(db, id) && tableBlock(db, id) == db.handle(blockRecord)) return id;
  }
  return {};
}

ObjectId ensureSortTable(Database& db, ObjectId blockRecord) {
  if (const ObjectId existing = findSortTable(db, blockRecord)) return existing;
  if (!blockRecord || db.sectionIndex("OBJECTS") < 0) return {};
  const ObjectId dictionary = ensureExtensionDictionary(db, blockRecord);
  if (!dictionary) return {};
  ensureClassEntry(db, "SORTENTSTABLE", "AcDbSortentsTable", "ObjectDBX Classes", 0, false);
  return addDictionaryObject(db, dictionary, L"ACAD_SORTENTS", "SORTENTSTABLE",
                             {{100, std::string(kMarker)}, {330, hex(db.handle(blockRecord))}});
}

std::vector<ObjectId> drawOrder(const Database& db, ObjectId blockRecord) {
  std::vector<ObjectId> entities = blockEntities(db, blockRecord);
  const ObjectId table = findSortTable(db, blockRecord);
  if (!table) return entities;
  const auto order = sortHandles(db, table);
  auto key = [&](ObjectId id) {
    const std::uint64_t h = db.handle(id);
    const auto it = order.find(h);
    return it == order.end() ? h : it->second;
  };
  std::stable_sort(entities.begin(), entities.end(),
                   [&](ObjectId a, ObjectId b) { return key(a) < key(b); });
  return entities;
}

namespace {

// The draw order of the block last moved in, kept with the drawing from one move to the next:
// commands that mask or order texts move entities one or two at a time, and working the order out
// from the whole drawing for every move would take time in the square of the block's size. It
// holds while nothing but these moves changes the block's sort table and no erased entity comes
// back; entities added since are found among the records added since, on top.
struct OrderCache {
  ObjectId block, table;
  std::uint32_t tableRevision = 0;
  std::uint64_t restorations = 0;
  std::size_t recordsSeen = 0;
  std::vector<ObjectId> order;  // bottom to top; entities erased since are skipped
  std::unordered_map<std::uint64_t, std::uint64_t> keys;  // entity handle -> sort handle
  // Entity handle -> index of its sort handle group in the table, and where entries go next.
  std::unordered_map<std::uint64_t, std::size_t> keyTags;
  std::size_t entriesEnd = 0;
  std::uint64_t topKey = 0;
  bool distinct = true;  // no two entities share a key

  std::uint64_t keyOf(const Database& db, ObjectId id) const {
    const auto it = keys.find(db.handle(id));
    return it == keys.end() ? db.handle(id) : it->second;
  }
};

// The table's entries with the index of each sort handle group, and where the entries end.
void readEntries(const Database& db, OrderCache& cache) {
  cache.keys.clear();
  cache.keyTags.clear();
  cache.entriesEnd = 0;
  if (!cache.table) return;
  const auto at = markerIndex(db, cache.table);
  const auto tags = db.tags(cache.table);
  std::size_t i = at ? *at + 1 : tags.size();
  std::optional<std::uint64_t> entity;
  for (; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    const auto value = dxf::parseHex(db.text(tags[i]));
    if (!value) continue;
    if (tags[i].code == 331) entity = *value;
    if (tags[i].code == 5 && entity) {
      cache.keys[*entity] = *value;
      cache.keyTags[*entity] = i;
      entity.reset();
    }
  }
  cache.entriesEnd = i;
}

void rebuild(const Database& db, ObjectId block, ObjectId table, OrderCache& cache) {
  cache = OrderCache{};
  cache.block = block;
  cache.table = table;
  cache.tableRevision = table ? db.revision(table) : 0;
  cache.restorations = db.restorations();
  cache.recordsSeen = db.objectCount();
  readEntries(db, cache);
  cache.order = drawOrder(db, block);
  for (std::size_t i = 0; i < cache.order.size(); ++i) {
    const std::uint64_t key = cache.keyOf(db, cache.order[i]);
    if (i > 0 && key == cache.topKey) cache.distinct = false;
    cache.topKey = std::max(cache.topKey, key);
  }
}

OrderCache& orderOf(const Database& db, ObjectId block) {
  OrderCache& cache = db.objectsCache<OrderCache>();
  const ObjectId table = findSortTable(db, block);
  if (cache.block != block || cache.table != table ||
      (table && cache.tableRevision != db.revision(table)) ||
      cache.restorations != db.restorations()) {
    rebuild(db, block, table, cache);
    return cache;
  }
  // Entities made since: each has a new handle, so it draws above everything there was.
  for (std::size_t i = cache.recordsSeen; i < db.objectCount(); ++i) {
    const ObjectId id(static_cast<std::uint32_t>(i));
    if (db.isErased(id) || isFollowerType(db.typeName(id)) || db.owner(id) != block) continue;
    if (db.handle(id) <= cache.topKey) {
      rebuild(db, block, table, cache);
      return cache;
    }
    cache.order.push_back(id);
    cache.topKey = db.handle(id);
  }
  cache.recordsSeen = db.objectCount();
  return cache;
}

}  // namespace

void moveInDrawOrder(Database& db, ObjectId blockRecord, std::span<const ObjectId> entities,
                     DrawOrderMove move, ObjectId target) {
  OrderCache& cache = orderOf(db, blockRecord);
  std::vector<ObjectId> order;
  order.reserve(cache.order.size());
  for (ObjectId id : cache.order)
    if (!db.isErased(id)) order.push_back(id);
  cache.order = order;

  const auto isMoving = [&](ObjectId id) {
    return std::find(entities.begin(), entities.end(), id) != entities.end();
  };
  const std::unordered_set<ObjectId> movingSet =
      entities.size() > 8 ? std::unordered_set<ObjectId>(entities.begin(), entities.end())
                          : std::unordered_set<ObjectId>();
  std::vector<ObjectId> moved, rest;
  rest.reserve(order.size());
  for (ObjectId id : order)
    ((movingSet.empty() ? isMoving(id) : movingSet.count(id) > 0) ? moved : rest).push_back(id);
  if (moved.empty()) return;

  std::vector<ObjectId> result;
  switch (move) {
    case DrawOrderMove::ToTop:
      result = rest;
      result.insert(result.end(), moved.begin(), moved.end());
      break;
    case DrawOrderMove::ToBottom:
      result = moved;
      result.insert(result.end(), rest.begin(), rest.end());
      break;
    case DrawOrderMove::Above:
    case DrawOrderMove::Below: {
      // The target must be another entity of this block.
      const auto at = std::find(rest.begin(), rest.end(), target);
      if (at == rest.end()) return;
      const auto place = move == DrawOrderMove::Above ? at + 1 : at;
      result.assign(rest.begin(), place);
      result.insert(result.end(), moved.begin(), moved.end());
      result.insert(result.end(), place, rest.end());
      break;
    }
  }
  if (result == order) return;

  // New keys for the entities whose place changed.
  std::vector<std::pair<ObjectId, std::uint64_t>> changes;
  if (move == DrawOrderMove::ToTop && cache.distinct) {
    // Everything else keeps its key; the moved entities get new handles, above every key there
    // is, so no other entity's place changes.
    for (ObjectId id : moved) changes.emplace_back(id, db.allocateHandle());
  } else if (cache.distinct) {
    // The same keys, handed out again in the new order.
    for (std::size_t i = 0; i < result.size(); ++i)
      if (result[i] != order[i]) changes.emplace_back(result[i], cache.keyOf(db, order[i]));
  } else {
    // Keys that tie leave the order to file position; give every entity a key of its own.
    for (ObjectId id : result) changes.emplace_back(id, db.allocateHandle());
  }

  const ObjectId table = ensureSortTable(db, blockRecord);
  if (!table) return;
  if (table != cache.table) {  // made just now
    cache.table = table;
    readEntries(db, cache);
  }
  for (const auto& [id, key] : changes) {
    const std::uint64_t handle = db.handle(id);
    if (const auto tag = cache.keyTags.find(handle); tag != cache.keyTags.end()) {
      db.setText(table, tag->second, hex(key));
    } else if (key != handle) {
      db.insertTag(table, cache.entriesEnd, 331, hex(handle));
      db.insertTag(table, cache.entriesEnd + 1, 5, hex(key));
      cache.keyTags[handle] = cache.entriesEnd + 1;
      cache.entriesEnd += 2;
    }
    cache.keys[handle] = key;
    cache.topKey = std::max(cache.topKey, key);
  }
  cache.distinct = true;
  cache.order = std::move(result);
  cache.tableRevision = db.revision(table);
}

}  // namespace kx::db
