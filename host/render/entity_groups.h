#pragma once
// The groups of an entity as a flat list, for entities whose groups repeat (polyline vertices,
// hatch boundaries, spline knots), which typed access by code cannot walk.

#include <string_view>
#include <vector>

#include "db/database.h"
#include "geom/vec.h"

namespace kx::render {

struct Group {
  int code = 0;
  std::string_view text;
  double real() const;
  long long integer() const;
};

// The groups before the extended data, after the subclass marker `marker` when one is given and
// present (all groups when the entity has no such marker: drawings without markers).
std::vector<Group> groupsOf(const db::Database& db, db::ObjectId id, std::string_view marker = {});

// Reads consecutive groups as a point: `groups[at]` holds x; y and z follow when their codes are
// code + 10 and code + 20. Advances `at` to the last group read.
geom::Vec3 readPoint(const std::vector<Group>& groups, std::size_t& at);

}  // namespace kx::render
