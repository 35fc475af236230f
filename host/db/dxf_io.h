#pragma once
// Reading a drawing from ASCII DXF and writing it back.

#include <filesystem>
#include <functional>
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

// Told how far a read or write has come, from 0 to 1: every few megabytes and at the end, so that
// it costs nothing next to the work.
using Progress = std::function<void(double fraction)>;

// Reads a whole DXF text. `name` is used in messages. Throws DxfError for what cannot be repaired.
LoadedDrawing readDxf(std::string_view text, std::string_view name, const Progress& progress = {});
LoadedDrawing readDxf(dxf::TextBuffer text, std::string_view name, const Progress& progress = {});
LoadedDrawing readDxfFile(const std::filesystem::path& path, const Progress& progress = {});

// The DXF text of the drawing as it is now.
std::string writeDxf(Database& db, const Progress& progress = {});
// Writes to a temporary file beside `path` and renames it into place, so a failed save never
// leaves a half-written drawing. Throws std::runtime_error naming the file and the reason.
void saveDxfFile(Database& db, const std::filesystem::path& path, const Progress& progress = {});

}  // namespace kx::db
