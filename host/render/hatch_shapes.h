#pragma once
// Areas: HATCH (solid fills and pattern lines inside the boundary paths) and WIPEOUT (its
// boundary painted with the background, and its frame).

#include <filesystem>

#include "db/database.h"
#include "render/shape.h"

namespace kx::render {

// A pattern needing more than this many lines is drawn filled, which is what it looks like.
inline constexpr std::size_t kMaxPatternSegments = 200000;

Shapes hatchShapes(const db::Database& db, db::ObjectId id);
Shapes wipeoutShapes(const db::Database& db, db::ObjectId id, bool frame);
// IMAGE: its frame, clipped as the image is.
// The image itself when its PNG file is found in `folder` (by the name the drawing gives it, or
// by that name's last part), then its frame.
Shapes imageShapes(const db::Database& db, db::ObjectId id, const std::filesystem::path& folder);

}  // namespace kx::render
