#pragma once
// Text to geometry: the outlines of a text's glyphs as closed LWPOLYLINEs, what a CAD user gets
// when exploding a text into lines to cut, engrave or hand to a program without fonts.

#include <vector>

#include "db/database.h"

namespace kx::text {

// Adds the outlines of a TEXT, ATTDEF, ATTRIB or MTEXT to the block that holds it: one closed
// LWPOLYLINE per glyph contour (curves flattened to within `tolerance` times the text height), and
// an open two-point LWPOLYLINE per underline, overline or fraction bar. They lie in the text's
// plane (points in the OCS of its normal, elevation in group 38), on its layer, in its colour (an
// MTEXT run's own colour where it has one). The text itself is left as it is; throws
// std::invalid_argument for other entity types. Returns the new entities in drawing order.
std::vector<db::ObjectId> textToOutlines(db::Database& db, db::ObjectId id,
                                         double tolerance = 0.005);

}  // namespace kx::text
