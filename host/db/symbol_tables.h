#pragma once
// Records of the symbol tables (LAYER, STYLE, BLOCK_RECORD, ...): their names compare without
// regard to case, as a CAD user expects ("Standard" and "STANDARD" are one style).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace kx::db {

bool sameTableName(std::string_view a, std::string_view b);    // ASCII letters folded
bool sameTableName(std::wstring_view a, std::wstring_view b);  // every letter folded
// A key under which names that compare the same are equal (ASCII letters upper-cased).
std::string tableNameKey(std::string_view name);

// The live record of table `type` ("STYLE", "LAYER", ...) named `name`; null when there is none.
ObjectId findTableRecord(const Database& db, std::string_view type, std::wstring_view name);

// What was worked out from the symbol tables of one drawing (a style read, a layer's lock), kept
// until a table record changes or another drawing is asked about. Commands ask such things for
// every entity they touch.
template <class T>
class TablesCache {
 public:
  T& of(const Database& db) {
    if (drawing_ != db.serial() || revision_ != db.tablesRevision()) {
      drawing_ = db.serial();
      revision_ = db.tablesRevision();
      value_ = T{};
    }
    return value_;
  }

 private:
  std::int64_t drawing_ = -1;
  std::uint64_t revision_ = 0;
  T value_{};
};

// The group 5 handle and group 330 owner an object made here starts with; nothing for drawings
// that keep no handles (R12 without $HANDSEED).
std::vector<NewTag> identityTags(Database& db, ObjectId owner);

// Adds a record of `type` to its table, before the table's ENDTAB, with a new handle, the table
// as owner and the table's entry count (group 70) raised. `body` holds the groups after the
// handle and owner, subclass markers included. Throws std::invalid_argument when the drawing has
// no such table.
ObjectId addTableRecord(Database& db, std::string_view type, const std::vector<NewTag>& body);

}  // namespace kx::db
