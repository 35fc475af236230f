#pragma once
// Geometry of the line and area entities a picture draws, in the coordinates of their block:
// LINE, POINT, CIRCLE, ARC, ELLIPSE, SPLINE, LWPOLYLINE, POLYLINE (2D, 3D, meshes), SOLID, TRACE,
// 3DFACE, LEADER, HATCH and WIPEOUT. Other types give nothing.

#include <filesystem>
#include <span>

#include "db/database.h"
#include "render/shape.h"

namespace kx::render {

struct ShapeOptions {
  bool wipeoutFrame = true;  // WIPEOUTVARIABLES 70
  // Where the files of IMAGEs are looked for; empty: an image shows as its frame.
  std::filesystem::path imageFolder;
};

// Whether entityShapes draws entities of `type`.
bool drawsAsShapes(std::string_view type);

// `followers` are the VERTEX records of a POLYLINE.
Shapes entityShapes(const db::Database& db, db::ObjectId id,
                    std::span<const db::ObjectId> followers, const ShapeOptions& options = {});

// One polyline with bulges and start and end widths per vertex, in its OCS; `continuousPattern`:
// its linetype runs on through the vertices, else it starts again at each.
struct PolylineVertex {
  geom::Vec3 point;
  double startWidth = 0, endWidth = 0, bulge = 0;
};
Shapes polylineShapes(std::span<const PolylineVertex> vertices, bool closed,
                      bool continuousPattern);

}  // namespace kx::render
