#pragma once
// Groups a CAD host always reports in an entity's list even when the drawing's record leaves them
// to their defaults or derives them: an MTEXT written by another program may lack its attachment,
// measured size or rotation, yet commands read them from the list. kxdbEntGet adds them, and
// kxdbEntMod leaves them out of the record while they keep the value they were reported with, so
// reading and writing back a list still changes nothing.

#include <span>
#include <string_view>

#include "db/database.h"
#include "kx/kxtypes.h"

namespace kx::api {

// The implied codes of an entity type, in the order they are listed.
std::span<const int> impliedCodes(std::string_view type);

// A new element with the value group `code` has for the entity while its record lacks it; null
// when the code is not implied for the type.
resbuf* impliedEntry(const db::Database& db, db::ObjectId id, std::string_view type, int code);

// Whether `given` holds the value `implied` reports (exact for numbers a host computed once).
bool sameImpliedValue(const resbuf& implied, const resbuf& given);

}  // namespace kx::api
