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
#include "dxf/number_syntax.h"

namespace kx::db {
namespace {

constexpr std::string_view kMarker = "AcDbSortentsTable";
constexpr int kFirstXdataCode = 1000;

std::string hex(std::uint64_t handle) {
  return fmt::format("{:X}", handle);
}

// Index of the table's subclass marker; nothing for a table without one.
std::optional<std::size_t> markerIndex(const Database& db, ObjectId table) {
  const auto tags = db.tags(table);
  for (std::size_t i = 1; i < tags.size() && tags[i].code < kFirstXdataCode; ++i)
    if (tags[i].code == 100 && db.text(tags[i]) == kMarker) return i;
  return std::nullopt;
}

// The block record handle the table names (its 330 after the marker); 0 when none.
std::uint64_t tableBlock(const Database& db, ObjectId table) {
  const auto at = markerIndex(db, table);
  if (!at) return 0;
  const auto tags = db.tags(table);
  for (std::size_t i = *at + 1; i < tags.size() && tags[i].code < kFirstXdataCode; ++i)
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
  for (std::size_t i = *at + 1; i < tags.size() && tags[i].code < kFirstXdataCode; ++i) {
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

// Writes the table's entries anew: one pair per entity of `order` whose key is not its own
// handle, in draw order.
void writeEntries(Database& db, ObjectId table, const std::vector<ObjectId>& order,
                  const std::unordered_map<ObjectId, std::uint64_t>& keys) {
  const auto at = markerIndex(db, table);
  if (!at) return;
  auto tags = db.tags(table);
  std::size_t first = *at + 1;
  // Keep the block reference (330) right after the marker.
  if (first < tags.size() && tags[first].code == 330) ++first;
  std::size_t end = first;
  while (end < tags.size() && tags[end].code < kFirstXdataCode) ++end;
  if (end > first) db.eraseTags(table, first, end - first);
  std::size_t i = first;
  for (ObjectId id : order) {
    const std::uint64_t key = keys.at(id);
    if (key == db.handle(id)) continue;
    db.insertTag(table, i++, 331, hex(db.handle(id)));
    db.insertTag(table, i++, 5, hex(key));
  }
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

void moveInDrawOrder(Database& db, ObjectId blockRecord, std::span<const ObjectId> entities,
                     DrawOrderMove move, ObjectId target) {
  const std::vector<ObjectId> order = drawOrder(db, blockRecord);
  const std::unordered_set<ObjectId> moving(entities.begin(), entities.end());
  std::vector<ObjectId> moved, rest;
  for (ObjectId id : order) (moving.count(id) ? moved : rest).push_back(id);
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

  const ObjectId existing = findSortTable(db, blockRecord);
  const auto current =
      existing ? sortHandles(db, existing) : std::unordered_map<std::uint64_t, std::uint64_t>{};
  auto currentKey = [&](ObjectId id) {
    const auto it = current.find(db.handle(id));
    return it == current.end() ? db.handle(id) : it->second;
  };
  std::unordered_map<ObjectId, std::uint64_t> keys;
  std::vector<std::uint64_t> sorted;
  for (ObjectId id : order) sorted.push_back(currentKey(id));
  std::sort(sorted.begin(), sorted.end());
  const bool distinct = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
  if (move == DrawOrderMove::ToTop && distinct) {
    // Everything else keeps its key; the moved entities get new handles, above every key there
    // is, so no other entity's place changes.
    for (ObjectId id : rest) keys[id] = currentKey(id);
    for (ObjectId id : moved) keys[id] = db.allocateHandle();
  } else if (distinct) {
    // The same keys, handed out again in the new order.
    for (std::size_t i = 0; i < result.size(); ++i) keys[result[i]] = sorted[i];
  } else {
    // Keys that tie leave the order to file position; give every entity a key of its own.
    for (ObjectId id : result) keys[id] = db.allocateHandle();
  }

  const ObjectId table = ensureSortTable(db, blockRecord);
  if (!table) return;
  writeEntries(db, table, result, keys);
}

}  // namespace kx::db
