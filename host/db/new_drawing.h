#pragma once
// A new, empty drawing: R2018 with model space, one paper-space layout, layer "0" and text style
// "Standard", like the drawing a CAD program starts with.

#include "db/dxf_io.h"

namespace kx::db {

Database newDrawing();

}  // namespace kx::db
