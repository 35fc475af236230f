#pragma once
// Entries of the CLASSES section: objects and entities that are not in the base DXF set (WIPEOUT,
// SORTENTSTABLE, ...) need one there before a reader accepts them.

#include <string_view>

#include "db/database.h"

namespace kx::db {

// Adds a CLASS record for `dxfName` when the drawing has a CLASSES section without one; does
// nothing otherwise (R12 drawings have no CLASSES section and need none).
void ensureClassEntry(Database& db, std::string_view dxfName, std::string_view className,
                      std::string_view application, int proxyFlags, bool isEntity);

}  // namespace kx::db
