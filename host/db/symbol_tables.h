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

// The TABLE record that heads table `type` ("BLOCK_RECORD", "LAYER", ...); null when the drawing
// has no such table.
ObjectId findTable(const Database& db, std::string_view type);
// The live record of table `type` ("STYLE", "LAYER", ...) named `name`; null when there is none.
ObjectId findTableRecord(const Database& db, std::string_view type, std::wstring_view name);

// The group 5 handle and group 330 owner an object made here starts with; nothing for drawings
// that keep no handles (R12 without $HANDSEED).
std::vector<NewTag> identityTags(Database& db, ObjectId owner);
// Index of the first group of an object after its type line, handle, application blocks
// (reactors, extension dictionary) and owner: where the body of a copy starts.
std::size_t bodyStart(const Database& db, ObjectId id);

// Adds a record of `type` to its table, before the table's ENDTAB, with a new handle, the table
// as owner and the table's entry count (group 70) raised. `body` holds the groups after the
// handle and owner, subclass markers included. Throws std::invalid_argument when the drawing has
// no such table.
ObjectId addTableRecord(Database& db, std::string_view type, const std::vector<NewTag>& body);
// Erases a table record and lowers its table's entry count, which goes back to what it was
// before a record added and erased again.
void eraseTableRecord(Database& db, ObjectId record);

}  // namespace kx::db
