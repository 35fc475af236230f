#include "db/dictionaries.h"

#include <stdexcept>
#include <unordered_map>

#include <fmt/format.h>

#include "db/symbol_tables.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"
#include "support/case_fold.h"

namespace kx::db {
namespace {

bool isEntryCode(int code) {
  return code == 350 || code == 360;
}

// Where the entries start: after the AcDbDictionary marker (entries never come before it).
std::size_t entriesStart(const Database& db, std::span<const Tag> tags) {
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (tags[i].code == 100 && db.text(tags[i]) == "AcDbDictionary") return i + 1;
  return 1;
}

ObjectId objectOf(const Database& db, const Tag& tag) {
  const auto h = dxf::parseHex(db.text(tag));
  return h ? db.findByHandle(*h) : ObjectId{};
}

// The entries of each dictionary looked in, by key folded as sameTableName compares keys, kept
// while its groups stay as they are: a command that adds groups one by one looks in the group
// dictionary each time, and in others (the root, a block's extension dictionary) between, and a
// walk per look would take time in the square of the entries.
struct KeyIndex {
  bool built = false;
  std::uint32_t revision = 0;
  std::unordered_map<std::wstring, std::size_t> keyTags;  // key -> index of its group 3
  // The last prefix a free key was asked for; prefix + 1 ... prefix + (freeFrom - 1) are held.
  std::wstring freePrefix;
  int freeFrom = 1;
};

struct DictionaryKeys {
  std::unordered_map<ObjectId, KeyIndex> indexes;
};

KeyIndex& keyIndex(const Database& db, ObjectId dictionary) {
  // A drawing looks in few dictionaries; the bound keeps a walk over many extension dictionaries
  // from holding them all.
  std::unordered_map<ObjectId, KeyIndex>& indexes = db.objectsCache<DictionaryKeys>().indexes;
  if (indexes.size() > 64) indexes.clear();
  KeyIndex& index = indexes[dictionary];
  if (index.built && index.revision == db.revision(dictionary)) return index;
  index = KeyIndex{};
  index.built = true;
  index.revision = db.revision(dictionary);
  const std::span<const Tag> tags = db.tags(dictionary);
  const std::size_t end = dxf::extendedDataStart(tags);
  for (std::size_t i = entriesStart(db, tags); i + 1 < end; ++i)
    if (tags[i].code == 3 && isEntryCode(tags[i + 1].code))
      index.keyTags.emplace(kx::support::lowerCase(db.decode(tags[i])), i);  // the first one
  return index;
}

// Index of the key group (3) of `key`; nothing when the dictionary has no such entry.
std::optional<std::size_t> findKey(const Database& db, ObjectId dictionary, std::wstring_view key) {
  const KeyIndex& index = keyIndex(db, dictionary);
  const auto at = index.keyTags.find(kx::support::lowerCase(key));
  if (at == index.keyTags.end()) return std::nullopt;
  return at->second;
}

}  // namespace

std::vector<DictionaryEntry> dictionaryEntries(const Database& db, ObjectId dictionary) {
  std::vector<DictionaryEntry> out;
  const std::span<const Tag> tags = db.tags(dictionary);
  const std::size_t end = dxf::extendedDataStart(tags);
  for (std::size_t i = entriesStart(db, tags); i + 1 < end; ++i) {
    if (tags[i].code != 3 || !isEntryCode(tags[i + 1].code)) continue;
    out.push_back({db.decode(tags[i]), objectOf(db, tags[i + 1])});
    ++i;
  }
  return out;
}

ObjectId dictionaryLookup(const Database& db, ObjectId dictionary, std::wstring_view key) {
  const auto at = findKey(db, dictionary, key);
  return at ? objectOf(db, db.tags(dictionary)[*at + 1]) : ObjectId{};
}

ObjectId namedObjectsDictionary(const Database& db) {
  const Section* objects = db.findSection("OBJECTS");
  if (!objects) return {};
  for (ObjectId id : objects->records)
    if (db.isType(id, "DICTIONARY") && !db.isErased(id)) return id;
  return {};
}

void setDictionaryEntry(Database& db, ObjectId dictionary, std::wstring_view key, ObjectId object,
                        bool hardOwner) {
  const std::string handle = fmt::format("{:X}", db.handle(object));
  if (const auto at = findKey(db, dictionary, key)) {
    db.setText(dictionary, *at + 1, handle);
    return;
  }
  const std::size_t end = dxf::extendedDataStart(db.tags(dictionary));
  KeyIndex& index = keyIndex(db, dictionary);
  db.insertTag(dictionary, end, 3, db.encode(key));
  db.insertTag(dictionary, end + 1, hardOwner ? 360 : 350, handle);
  // The groups after the new entry (extended data) moved on; the entries before it did not.
  index.keyTags.emplace(kx::support::lowerCase(key), end);
  index.revision = db.revision(dictionary);
}

std::wstring firstFreeKey(const Database& db, ObjectId dictionary, std::wstring_view prefix) {
  KeyIndex& index = keyIndex(db, dictionary);
  if (index.freePrefix != prefix) {
    index.freePrefix = prefix;
    index.freeFrom = 1;
  }
  const std::wstring folded = kx::support::lowerCase(prefix);
  while (index.keyTags.count(folded + std::to_wstring(index.freeFrom))) ++index.freeFrom;
  return std::wstring(prefix) + std::to_wstring(index.freeFrom);
}

ObjectId removeDictionaryEntry(Database& db, ObjectId dictionary, std::wstring_view key) {
  const auto at = findKey(db, dictionary, key);
  if (!at) return {};
  const ObjectId object = objectOf(db, db.tags(dictionary)[*at + 1]);
  db.eraseTags(dictionary, *at, 2);
  return object;
}

ObjectId addDictionaryObject(Database& db, ObjectId dictionary, std::wstring_view key,
                             std::string_view type, const std::vector<NewTag>& body) {
  const int section = db.sectionIndex("OBJECTS");
  if (section < 0) throw std::invalid_argument("the drawing has no OBJECTS section");
  const std::string owner = fmt::format("{:X}", db.handle(dictionary));
  std::vector<NewTag> tags;
  tags.push_back({5, fmt::format("{:X}", db.allocateHandle())});
  tags.push_back({102, "{ACAD_REACTORS"});
  tags.push_back({330, owner});
  tags.push_back({102, "}"});
  tags.push_back({330, owner});
  tags.insert(tags.end(), body.begin(), body.end());
  const ObjectId id = db.addRecord(section, {}, type, tags);
  setDictionaryEntry(db, dictionary, key, id);
  return id;
}

ObjectId extensionDictionary(const Database& db, ObjectId object) {
  const std::span<const Tag> tags = db.tags(object);
  bool inside = false;
  for (std::size_t i = 1; i < tags.size(); ++i) {
    if (tags[i].code == 102) {
      inside = db.text(tags[i]) == "{ACAD_XDICTIONARY";
      continue;
    }
    if (tags[i].code == 100) break;
    if (inside && tags[i].code == 360) return objectOf(db, tags[i]);
  }
  return {};
}

}  // namespace kx::db
