// kxhost: opens a drawing (or starts a new one), and saves it.

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "render/render.h"

int main(int argc, char** argv) {
  CLI::App app{"kxhost: a headless host for text commands on DXF drawings"};
  std::string drawingPath;
  std::string outputPath;
  std::string picturePath;
  app.add_option("drawing", drawingPath, "DXF drawing to open (default: a new drawing)");
  app.add_option("-o,--output", outputPath, "save the drawing there when the input ends");
  app.add_option("--render", picturePath,
                 "picture of the drawing when the input ends (.png, .svg, .pdf)")
      ->check([](const std::string& path) {
        return kx::render::pictureFormatOf(path) ? std::string()
                                                 : std::string("must end in .png, .svg or .pdf");
      });
  CLI11_PARSE(app, argc, argv);

  try {
    kx::db::Database db;
    if (drawingPath.empty()) {
      db = kx::db::newDrawing();
    } else {
      kx::db::LoadedDrawing loaded = kx::db::readDxfFile(drawingPath);
      for (const std::string& notice : loaded.notices)
        fmt::print(stderr, "{}: {}\n", drawingPath, notice);
      db = std::move(loaded.db);
    }
    if (!picturePath.empty()) {
      const kx::render::RenderReport report = kx::render::renderToFile(db, picturePath);
      for (const std::string& notice : report.notices)
        fmt::print(stderr, "{}: {}\n", picturePath, notice);
    }
    if (!outputPath.empty()) kx::db::saveDxfFile(db, outputPath);
  } catch (const std::exception& e) {
    fmt::print(stderr, "kxhost: {}\n", e.what());
    return 1;
  }
  return 0;
}
