#include "db/groups.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>

#include "db/dictionaries.h"
#include "db/object_fields.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"

namespace kx::db {
namespace {

std::string hex(std::uint64_t handle) {
  return fmt::format("{:X}", handle);
}

bool namesObject(const Database& db, const Tag& tag, ObjectId object) {
  const auto h = dxf::parseHex(db.text(tag));
  return h && *h == db.handle(object) && *h != 0;
}

// Range [open, close] of the object's 102 {ACAD_REACTORS ... 102 } block, if it has one.
std::optional<std::pair<std::size_t, std::size_t>> reactorBlock(const Database& db,
                                                                ObjectId object) {
  const std::span<const Tag> tags = db.tags(object);
  for (std::size_t i = 1; i < tags.size(); ++i) {
    if (tags[i].code == 100) break;
    if (tags[i].code != 102 || db.text(tags[i]) != "{ACAD_REACTORS") continue;
    for (std::size_t j = i + 1; j < tags.size(); ++j)
      if (tags[j].code == 102) return std::pair{i, j};
    return std::nullopt;
  }
  return std::nullopt;
}

// Where a new reactor block goes: after the handle and any extension-dictionary block, before
// the owner.
std::size_t reactorBlockPlace(const Database& db, ObjectId object) {
  const std::span<const Tag> tags = db.tags(object);
  std::size_t at = 1;
  bool inside = false;
  for (std::size_t i = 1; i < tags.size(); ++i) {
    const int c = tags[i].code;
    if (c == 102) {
      inside = db.text(tags[i]) != "}";
      at = i + 1;
      continue;
    }
    if (inside) continue;
    if (c == 5) {
      at = i + 1;
      continue;
    }
    break;
  }
  return at;
}

}  // namespace

ObjectId findGroupDictionary(const Database& db) {
  const ObjectId root = namedObjectsDictionary(db);
  return root.isNull() ? ObjectId{} : dictionaryLookup(db, root, L"ACAD_GROUP");
}

ObjectId groupDictionary(Database& db) {
  if (const ObjectId found = findGroupDictionary(db); !found.isNull()) return found;
  const ObjectId root = namedObjectsDictionary(db);
  if (root.isNull()) return {};
  return addDictionaryObject(db, root, L"ACAD_GROUP", "DICTIONARY",
                             {{100, "AcDbDictionary"}, {281, "1"}});
}

bool isAnonymousGroupRequest(std::wstring_view name) {
  if (name == L"*") return true;
  if (name.size() < 2 || name[0] != L'*') return false;
  const wchar_t c = name[1];
  return c == L'U' || c == L'u' || c == L'A' || c == L'a';
}

std::wstring nextAnonymousGroupName(const Database& db) {
  const ObjectId dictionary = findGroupDictionary(db);
  return dictionary.isNull() ? L"*A1" : firstFreeKey(db, dictionary, L"*A");
}

std::vector<NewTag> groupBody(const Database& db, std::wstring_view description, bool anonymous,
                              bool selectable) {
  return {{100, "AcDbGroup"},
          {300, db.encode(description)},
          {70, anonymous ? "1" : "0"},
          {71, selectable ? "1" : "0"}};
}

ObjectId addGroup(Database& db, std::wstring_view name, std::wstring_view description,
                  bool selectable, std::span<const ObjectId> members) {
  const ObjectId dictionary = groupDictionary(db);
  if (dictionary.isNull()) return {};
  const bool anonymous = isAnonymousGroupRequest(name);
  const std::wstring key = anonymous ? nextAnonymousGroupName(db) : std::wstring(name);
  if (key.empty() || !dictionaryLookup(db, dictionary, key).isNull()) return {};
  const ObjectId group = addDictionaryObject(db, dictionary, key, "GROUP",
                                             groupBody(db, description, anonymous, selectable));
  for (ObjectId member : members) appendGroupMember(db, group, member);
  return group;
}

std::vector<ObjectId> groupMembers(const Database& db, ObjectId group) {
  std::vector<ObjectId> out;
  for (const Tag& t : db.tags(group)) {
    if (t.code != 340) continue;
    const auto h = dxf::parseHex(db.text(t));
    const ObjectId id = h ? db.findByHandle(*h) : ObjectId{};
    if (!id.isNull() && !db.isErased(id)) out.push_back(id);
  }
  return out;
}

bool appendGroupMember(Database& db, ObjectId group, ObjectId entity) {
  const std::span<const Tag> tags = db.tags(group);
  std::size_t end = tags.size();
  for (std::size_t i = 1; i < tags.size(); ++i) {
    if (dxf::isExtendedData(tags[i].code)) {
      end = i;
      break;
    }
    if (tags[i].code == 340 && namesObject(db, tags[i], entity)) return false;
  }
  db.insertTag(group, end, 340, hex(db.handle(entity)));
  addReactor(db, entity, group);
  return true;
}

bool removeGroupMember(Database& db, ObjectId group, ObjectId entity) {
  const std::span<const Tag> tags = db.tags(group);
  for (std::size_t i = 1; i < tags.size(); ++i) {
    if (tags[i].code == 340 && namesObject(db, tags[i], entity)) {
      db.eraseTags(group, i, 1);
      removeReactor(db, entity, group);
      return true;
    }
  }
  return false;
}

void dissolveGroup(Database& db, ObjectId group) {
  std::vector<ObjectId> members;
  for (const Tag& t : db.tags(group))
    if (t.code == 340)
      if (const auto handle = dxf::parseHex(db.text(t)))
        if (const ObjectId member = db.findByHandle(*handle)) members.push_back(member);
  for (const ObjectId member : members) removeReactor(db, member, group);
  if (const ObjectId dictionary = findGroupDictionary(db))
    for (const DictionaryEntry& e : dictionaryEntries(db, dictionary))
      if (e.object == group) removeDictionaryEntry(db, dictionary, e.key);
  db.setErased(group, true);
}

std::vector<ObjectId> withSelectableGroups(const Database& db, std::span<const ObjectId> entities) {
  std::unordered_map<ObjectId, std::vector<ObjectId>> groupsOf;  // member -> its groups
  if (const ObjectId dictionary = findGroupDictionary(db)) {
    for (const DictionaryEntry& e : dictionaryEntries(db, dictionary)) {
      if (e.object.isNull() || db.isErased(e.object) || !db.isType(e.object, "GROUP")) continue;
      if (FieldReader(db, e.object).integer(71) == 0) continue;  // not selectable
      for (const ObjectId member : groupMembers(db, e.object)) groupsOf[member].push_back(e.object);
    }
  }
  std::vector<ObjectId> out;
  std::unordered_set<ObjectId> seen;
  for (const ObjectId id : entities) {
    if (seen.insert(id).second) out.push_back(id);
    const auto groups = groupsOf.find(id);
    if (groups == groupsOf.end()) continue;
    for (const ObjectId group : groups->second)
      for (const ObjectId member : groupMembers(db, group))
        if (seen.insert(member).second) out.push_back(member);
  }
  return out;
}

std::vector<ObjectId> groupsContaining(const Database& db, ObjectId entity) {
  std::vector<ObjectId> out;
  const ObjectId dictionary = findGroupDictionary(db);
  if (dictionary.isNull()) return out;
  for (const DictionaryEntry& e : dictionaryEntries(db, dictionary)) {
    if (e.object.isNull() || db.isErased(e.object) || !db.isType(e.object, "GROUP")) continue;
    for (const Tag& t : db.tags(e.object)) {
      if (t.code == 340 && namesObject(db, t, entity)) {
        out.push_back(e.object);
        break;
      }
    }
  }
  return out;
}

void addReactor(Database& db, ObjectId object, ObjectId reactor) {
  if (const auto block = reactorBlock(db, object)) {
    const std::span<const Tag> tags = db.tags(object);
    for (std::size_t i = block->first + 1; i < block->second; ++i)
      if (tags[i].code == 330 && namesObject(db, tags[i], reactor)) return;
    db.insertTag(object, block->second, 330, hex(db.handle(reactor)));
    return;
  }
  const std::size_t at = reactorBlockPlace(db, object);
  // The braces first: the owner is read again when a 330 goes in, and must not look bracketed.
  db.insertTag(object, at, 102, "{ACAD_REACTORS");
  db.insertTag(object, at + 1, 102, "}");
  db.insertTag(object, at + 1, 330, hex(db.handle(reactor)));
}

void removeReactor(Database& db, ObjectId object, ObjectId reactor) {
  const auto block = reactorBlock(db, object);
  if (!block) return;
  const std::span<const Tag> tags = db.tags(object);
  for (std::size_t i = block->first + 1; i < block->second; ++i) {
    if (tags[i].code != 330 || !namesObject(db, tags[i], reactor)) continue;
    if (block->second - block->first == 2)
      db.eraseTags(object, block->first, 3);  // the last reactor: the block goes too
    else
      db.eraseTags(object, i, 1);
    return;
  }
}

}  // namespace kx::db
