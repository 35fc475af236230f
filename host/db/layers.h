#pragma once
// Layer states the editor enforces.

#include <string>
#include <string_view>

#include "db/database.h"

namespace kx::db {

// Whether the LAYER record named `layer` has its lock flag (70 bit 4); a layer that does not
// exist counts as unlocked.
bool isLayerLocked(const Database& db, std::wstring_view layer);
// The layer new entities go on: $CLAYER as written, or "0" when it is missing, empty or names no
// layer (a file may say anything there; the editor only ever makes an existing layer current).
std::wstring currentLayer(const Database& db);
// The flags (70) of the entity's layer (8, "0" when absent): 1 frozen, 4 locked; 0 for a layer
// that does not exist.
long long entityLayerFlags(const Database& db, ObjectId entity);
inline bool isOnLockedLayer(const Database& db, ObjectId entity) {
  return entityLayerFlags(db, entity) & 4;
}
inline bool isOnFrozenLayer(const Database& db, ObjectId entity) {
  return entityLayerFlags(db, entity) & 1;
}

// Whether a live entity (of the model, a layout or a block) is on the layer `name`: a writer may
// leave a layer's record out of the table and still put entities on it.
bool isLayerInUse(const Database& db, std::wstring_view name);
// Adds a layer as a CAD program makes one on demand: colour 7, linetype Continuous, not locked.
// Throws std::invalid_argument when the drawing has no LAYER table.
ObjectId addLayer(Database& db, std::wstring_view name);
// Sets or clears the lock flag of the layer record.
void setLayerLocked(Database& db, ObjectId layerRecord, bool locked);

}  // namespace kx::db
