#pragma once
// DICTIONARY objects: named entries (group 3) that point at the objects they hold (350 owned,
// 360 hard-owned). Keys compare without regard to case, as a CAD user expects.

#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::db {

struct DictionaryEntry {
  std::wstring key;
  ObjectId object;  // null when the handle names no object
};

// The entries in the order the dictionary keeps them.
std::vector<DictionaryEntry> dictionaryEntries(const Database& db, ObjectId dictionary);
// The object under `key`; null when there is none.
ObjectId dictionaryLookup(const Database& db, ObjectId dictionary, std::wstring_view key);
// The drawing's root dictionary: the first DICTIONARY of the OBJECTS section.
ObjectId namedObjectsDictionary(const Database& db);

// Adds the entry `key` -> `object` at the end of the dictionary (350, or 360 when `hardOwner`).
// Replaces the object of an entry that has the key already.
void setDictionaryEntry(Database& db, ObjectId dictionary, std::wstring_view key, ObjectId object,
                        bool hardOwner = false);
// Removes the entry; returns the object it named (null when there was no such entry). The object
// itself stays as it is.
ObjectId removeDictionaryEntry(Database& db, ObjectId dictionary, std::wstring_view key);
// The first of prefix + "1", prefix + "2", ... that is no key of the dictionary.
std::wstring firstFreeKey(const Database& db, ObjectId dictionary, std::wstring_view prefix);

// Makes an object of `type` in the OBJECTS section owned by `dictionary` under `key`: it gets a
// new handle, the dictionary as reactor and owner, and `body` (the groups after the owner,
// subclass markers included).
ObjectId addDictionaryObject(Database& db, ObjectId dictionary, std::wstring_view key,
                             std::string_view type, const std::vector<NewTag>& body);

// The object's extension dictionary (102 {ACAD_XDICTIONARY 360); null when it has none.
ObjectId extensionDictionary(const Database& db, ObjectId object);

}  // namespace kx::db
