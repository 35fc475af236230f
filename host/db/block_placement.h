#pragma once
// Where a block reference (INSERT) puts its block's entities: the block's base point moved to the
// insertion point, scaled, rotated and set in the plane of the reference's normal, repeated over
// its columns and rows. Pictures, picking, EXPLODE and the SDK all place blocks through this.

#include "db/database.h"
#include "geom/vec.h"

namespace kx::db {

struct InsertPlacement {
  geom::Matrix3d place;                      // the reference's own frame to world
  geom::Vec3 scale{1, 1, 1};                 // 41, 42, 43
  geom::Vec3 basePoint;                      // of the block
  long long columns = 1, rows = 1;           // 70, 71; at least 1
  double columnSpacing = 0, rowSpacing = 0;  // 44, 45

  // The block's coordinates to world for the cell in `row` and `column` (from 0).
  geom::Matrix3d cell(long long row = 0, long long column = 0) const;
  bool isArray() const { return columns > 1 || rows > 1; }
};

// The placement of the INSERT `insert` of the block whose base point is `basePoint`. Groups the
// reference leaves out have their defaults, and values no number can hold count as them.
InsertPlacement insertPlacement(const Database& db, ObjectId insert, geom::Vec3 basePoint);

}  // namespace kx::db
