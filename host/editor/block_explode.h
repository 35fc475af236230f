#pragma once
// Exploding a block reference into copies of its block's entities.

#include <string>
#include <vector>

#include "db/database.h"

namespace kx::editor {

// An entity to make: its type and its groups after handle and owner (as db::addEntity takes them).
struct EntityDescription {
  std::string type;
  std::vector<db::NewTag> body;
};

struct ExplodedReference {
  std::vector<EntityDescription> entities;  // in the block's drawing order
  std::string error;                        // why it cannot be exploded; empty on success
};

// The entities of the INSERT's block placed by the reference's transform (insertion point, scale,
// rotation, normal, block base point): attribute definitions included, the reference's own
// attributes not; a nested reference stays one INSERT with the combined placement. Refused (error
// set, no entities) for a block that contains itself directly or through nesting, a reference
// whose block is missing, or a scale the entities cannot follow (a non-uniform scale of a circle,
// arc or text).
ExplodedReference explodeReference(const db::Database& db, db::ObjectId insert);

}  // namespace kx::editor
