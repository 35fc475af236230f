#pragma once
// Leaders: LEADER lines with their arrowheads, and MULTILEADER lines, doglegs, arrowheads and
// text, in the coordinates of their block.

#include "db/database.h"
#include "render/shape.h"

namespace kx::render {

Shapes leaderShapes(const db::Database& db, db::ObjectId id);
Shapes multileaderShapes(const db::Database& db, db::ObjectId id);

// A closed filled arrowhead `size` long with its tip at `tip`, pointing away from `from`.
Shape arrowheadShape(geom::Vec3 tip, geom::Vec3 from, double size);

}  // namespace kx::render
