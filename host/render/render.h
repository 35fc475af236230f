#pragma once
// Pictures of a drawing: PNG, SVG and PDF. The picture shows model space (or the current
// paper-space layout when the drawing's header says TILEMODE 0) from above, fitted to the
// extents of what is drawn with a margin, on a white background.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "db/database.h"
#include "geom/vec.h"
#include "render/aci_color.h"

namespace kx::render {

enum class PictureFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (case-insensitive); nothing for others.
std::optional<PictureFormat> pictureFormatOf(const std::filesystem::path& path);

// A paper size by name (A0 to A4, B4, B5, LETTER, LEGAL, TABLOID, any case) or as WxH in
// millimetres, landscape as named; nothing for anything else.
std::optional<std::pair<double, double>> paperSizeOf(std::string_view text);

// A rectangle of the drawing, in world coordinates.
struct Window {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct RenderOptions {
  int width = 1600;      // pixels (PNG) or points (SVG, PDF)
  int height = 0;        // 0: from the aspect of what is drawn
  double margin = 0.05;  // on every side, as a fraction of the picture's width and height
  // A sheet of paper instead of `width` and `height`, in millimetres (0: none): PNG pictures have
  // `dpi` pixels per inch of it, SVG and PDF pages are its size in points.
  double paperWidth = 0, paperHeight = 0;
  double dpi = 96;
  // Drawing units per millimetre of paper (100 for 1:100); 0: what is drawn fits the picture.
  double unitsPerMillimetre = 0;
  Rgb background{255, 255, 255};
  // The part of the drawing shown, edge to edge; none: the extents of what is drawn.
  std::optional<Window> window;
  // The layout shown ("Model" or a paper-space layout's name); empty: the one the drawing's
  // header makes current.
  std::string layout;
  // Told now and then how much of the picture is done (0 to 1).
  std::function<void(double)> progress;
  // Entities a command shows highlighted, drawn dashed as a CAD program shows them.
  std::unordered_set<db::ObjectId> highlighted;
  // The drawing's folder, where the PNG files of its IMAGEs are looked for; empty: images show
  // as their frames.
  std::filesystem::path imageFolder;
};

// Where the world's XY plane lands in the picture.
struct View {
  int width = 0, height = 0;
  double scale = 1;   // picture units per drawing unit
  geom::Vec2 center;  // world point at the middle of the picture
  // Picture coordinates: x to the right, y down, (0, 0) at the top-left corner of the picture.
  geom::Vec2 toPicture(geom::Vec2 world) const;
};

struct RasterImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows from the top
  Rgb at(int x, int y) const;
};

struct Picture {
  RasterImage image;
  View view;
  // One line per kind of problem met while drawing (a block that contains itself, ...).
  std::vector<std::string> notices;
};

// Renders into memory.
Picture renderImage(const db::Database& db, const RenderOptions& options = {});

// Reads a PNG file into pixels, to compare pictures; nothing when it is not a readable PNG.
std::optional<RasterImage> readPng(const std::filesystem::path& path);

struct RenderReport {
  View view;
  std::vector<std::string> notices;
};

// The bytes of a picture file of the drawing.
std::string renderToBytes(const db::Database& db, PictureFormat format,
                          const RenderOptions& options = {}, RenderReport* report = nullptr);

// Writes a picture of the drawing, in the format its extension names, through a temporary file
// renamed into place. Throws std::runtime_error naming the file and the reason.
RenderReport renderToFile(const db::Database& db, const std::filesystem::path& path,
                          const RenderOptions& options = {});

}  // namespace kx::render
