#include "db/new_drawing.h"

#include <string_view>

namespace kx::db {

std::string_view templateR2018Text();

Database newDrawing() {
  return readDxf(templateR2018Text(), "new drawing").db;
}

}  // namespace kx::db
