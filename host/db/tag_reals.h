#pragma once
// The number a group holds, worked out once. A command reads a text's points and sizes through its
// list, its layout and every write many times over; parsing them again each time took about a
// twelfth of such a command's time.

#include <optional>

#include "db/database.h"

namespace kx::db {

// The group's value as a real, as dxf::parseReal reads its text; nothing when it is not a number.
std::optional<double> tagReal(const Database& db, const Tag& tag);

// Writes `value` into the object's group `index` as the file writes reals, keeping the value for
// the reads that follow (a text is placed from the points just written).
void setTagReal(Database& db, ObjectId id, std::size_t index, double value);

}  // namespace kx::db
