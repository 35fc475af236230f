#pragma once
// Layer states the editor enforces.

#include <string_view>

#include "db/database.h"

namespace kx::db {

// Whether the LAYER record named `layer` has its lock flag (70 bit 4); a layer that does not
// exist counts as unlocked.
bool isLayerLocked(const Database& db, std::wstring_view layer);
// Whether the entity's layer (8, "0" when absent) is locked.
bool isOnLockedLayer(const Database& db, ObjectId entity);

}  // namespace kx::db
