#pragma once
// Wipeouts: polygons that hide what is drawn below them.

#include <span>
#include <string_view>

#include "db/database.h"
#include "geom/vec.h"

namespace kx::db {

// Adds a WIPEOUT to the block whose outline is the closed polygon `outline` (world coordinates,
// all in one plane; the last point need not repeat the first), on `layer`, with display options
// 7 (shown, clipped, shown when not aligned). Null when the outline has under three distinct
// points.
ObjectId addWipeout(Database& db, ObjectId blockRecord, std::span<const geom::Vec3> outline,
                    std::wstring_view layer);

// Whether wipeout frames are shown: the WIPEOUTVARIABLES object of the named-objects dictionary
// ("ACAD_WIPEOUT_VARS", group 70); 1 when the drawing has none.
int wipeoutFrame(const Database& db);
// Sets it, making the object when the drawing has none.
void setWipeoutFrame(Database& db, int frame);

}  // namespace kx::db
