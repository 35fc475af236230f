#pragma once
// Reading a drawing from ASCII DXF and writing it back.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/repair_log.h"

namespace kx::db {

struct LoadedDrawing {
  Database db;
  // One line per kind of repair, and notices such as a code page the drawing got wrong.
  std::vector<std::string> notices;
};

// Reads a whole DXF text. `name` is used in messages. Throws DxfError for what cannot be repaired.
LoadedDrawing readDxf(std::string_view text, std::string_view name);
LoadedDrawing readDxf(dxf::TextBuffer text, std::string_view name);
LoadedDrawing readDxfFile(const std::filesystem::path& path);

// The DXF text of the drawing as it is now.
std::string writeDxf(Database& db);
// Writes to a temporary file beside `path` and renames it into place, so a failed save never
// leaves a half-written drawing. Throws std::runtime_error naming the file and the reason.
void saveDxfFile(Database& db, const std::filesystem::path& path);

}  // namespace kx::db
