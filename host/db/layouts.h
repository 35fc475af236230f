#pragma once
// Layouts: model space and each paper space under the name the user knows it by. A LAYOUT
// object's name is the 1 of its AcDbLayout part (its AcDbPlotSettings part has a 1 of its own,
// the page setup's), and the 330 there names the block record of its space.

#include <string>
#include <string_view>

#include "db/database.h"

namespace kx::db {

// The block record of the space of the live layout named `name`, without regard to case; "Model"
// is model space in every drawing. Null when there is no such layout.
ObjectId findLayoutBlock(const Database& db, std::wstring_view name);
// The name of the live layout whose space is the block record `block`; empty when there is none.
std::wstring layoutNameOf(const Database& db, ObjectId block);

}  // namespace kx::db
