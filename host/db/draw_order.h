#pragma once
// Draw order of a block's entities, kept in the SORTENTSTABLE that the block record's extension
// dictionary holds under "ACAD_SORTENTS": each listed entity (331) draws by its sort handle (5)
// instead of its own handle; entities not listed draw in file order by their own handle.

#include <span>
#include <vector>

#include "db/database.h"

namespace kx::db {

// The block's sort table; null when it has none.
ObjectId findSortTable(const Database& db, ObjectId blockRecord);
// The block's sort table, made (with the extension dictionary if need be) when missing.
ObjectId ensureSortTable(Database& db, ObjectId blockRecord);

// The block's live entities from the one drawn first (bottom) to the one drawn last (top).
std::vector<ObjectId> drawOrder(const Database& db, ObjectId blockRecord);

enum class DrawOrderMove { ToTop, ToBottom, Above, Below };
// Moves `entities` (keeping their order among themselves) to the top or bottom of the block, or
// directly above or below `target`. Entities of other blocks are ignored.
void moveInDrawOrder(Database& db, ObjectId blockRecord, std::span<const ObjectId> entities,
                     DrawOrderMove move, ObjectId target = {});

}  // namespace kx::db
