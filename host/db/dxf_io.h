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
  // Whether anything was repaired (and not only noticed).
  bool repaired = false;
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
// Saves the drawing as `path` through support::AtomicFile: the old file stays as it was until the
// new one is whole on the disk, and links, permissions and owner are kept. Throws
// std::runtime_error naming the file and the reason.
void saveDxfFile(Database& db, const std::filesystem::path& path, const Progress& progress = {});

}  // namespace kx::db
