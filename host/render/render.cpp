#include "render/render.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "render/painter.h"
#include "render/scene_builder.h"
#include "support/atomic_file.h"
#include "support/case_fold.h"

namespace kx::render {
namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void check(cairo_status_t status, const char* what) {
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(fmt::format("{}: {}", what, cairo_status_to_string(status)));
}

struct Prepared {
  BuiltScene built;
  View view;
  Rgb background;
};

// Pixels of a PNG per inch of paper; SVG and PDF pages are measured in points.
double pixelsPerInch(PictureFormat format, const RenderOptions& options) {
  return format == PictureFormat::Png ? std::clamp(options.dpi, 1.0, 4800.0) : 72.0;
}

Prepared prepare(const db::Database& db, const RenderOptions& options, PictureFormat format) {
  Prepared p{buildScene(db, {}, options.highlighted, options.layout), {}, options.background};
  p.view = fitView(p.built.scene.extents(), options, pixelsPerInch(format, options));
  return p;
}

void paintInto(cairo_surface_t* surface, const Prepared& p) {
  Context cr(cairo_create(surface));
  paintScene(cr.get(), p.built.scene, p.view, p.background);
  check(cairo_status(cr.get()), "drawing failed");
}

RasterImage pixelsOf(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  RasterImage image;
  image.width = cairo_image_surface_get_width(surface);
  image.height = cairo_image_surface_get_height(surface);
  const auto width = static_cast<std::size_t>(image.width);
  image.pixels.resize(width * static_cast<std::size_t>(image.height));
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const bool rgb = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
  for (int y = 0; y < image.height; ++y) {
    std::uint32_t* row = &image.pixels[static_cast<std::size_t>(y) * width];
    std::memcpy(row, data + static_cast<std::ptrdiff_t>(y) * stride, width * 4);
    if (rgb)
      for (std::size_t x = 0; x < width; ++x) row[x] |= 0xFF000000u;
  }
  return image;
}

}  // namespace

std::optional<std::pair<double, double>> paperSizeOf(std::string_view text) {
  static constexpr struct {
    std::string_view name;
    double width, height;
  } kSheets[] = {{"A0", 1189, 841},        {"A1", 841, 594},         {"A2", 594, 420},
                 {"A3", 420, 297},         {"A4", 297, 210},         {"B4", 353, 250},
                 {"B5", 250, 176},         {"LETTER", 279.4, 215.9}, {"LEGAL", 355.6, 215.9},
                 {"TABLOID", 431.8, 279.4}};
  const std::string upper = kx::support::asciiUpperCase(text);
  for (const auto& sheet : kSheets)
    if (upper == sheet.name) return std::pair{sheet.width, sheet.height};
  double w = 0, h = 0;
  char x = 0, rest = 0;
  if (std::sscanf(upper.c_str(), "%lf%c%lf%c", &w, &x, &h, &rest) == 3 && x == 'X' && w > 0 &&
      h > 0 && w <= 100000 && h <= 100000)
    return std::pair{w, h};
  return std::nullopt;
}

std::optional<PictureFormat> pictureFormatOf(const std::filesystem::path& path) {
  const std::string ext = kx::support::asciiLowerCase(path.extension().string());
  if (ext == ".png") return PictureFormat::Png;
  if (ext == ".svg") return PictureFormat::Svg;
  if (ext == ".pdf") return PictureFormat::Pdf;
  return std::nullopt;
}

Rgb RasterImage::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const std::uint32_t v = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(x)];
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v)};
}

Picture renderImage(const db::Database& db, const RenderOptions& options) {
  const Prepared p = prepare(db, options, PictureFormat::Png);
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.view.width, p.view.height));
  check(cairo_surface_status(surface.get()), "cannot make the picture");
  paintInto(surface.get(), p);
  return {pixelsOf(surface.get()), p.view, p.built.notices};
}

std::optional<RasterImage> readPng(const std::filesystem::path& path) {
  Surface surface(cairo_image_surface_create_from_png(path.c_str()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return pixelsOf(surface.get());
}

std::string renderToBytes(const db::Database& db, PictureFormat format,
                          const RenderOptions& options, RenderReport* report) {
  const Prepared p = prepare(db, options, format);
  std::string bytes;
  const double w = p.view.width, h = p.view.height;
  switch (format) {
    case PictureFormat::Png: {
      Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.view.width, p.view.height));
      check(cairo_surface_status(surface.get()), "cannot make the picture");
      paintInto(surface.get(), p);
      check(cairo_surface_write_to_png_stream(surface.get(), appendBytes, &bytes),
            "cannot write the PNG");
      break;
    }
    case PictureFormat::Svg: {
      Surface surface(cairo_svg_surface_create_for_stream(appendBytes, &bytes, w, h));
      check(cairo_surface_status(surface.get()), "cannot make the SVG");
      paintInto(surface.get(), p);
      cairo_surface_finish(surface.get());
      check(cairo_surface_status(surface.get()), "cannot write the SVG");
      break;
    }
    case PictureFormat::Pdf: {
      Surface surface(cairo_pdf_surface_create_for_stream(appendBytes, &bytes, w, h));
      check(cairo_surface_status(surface.get()), "cannot make the PDF");
      paintInto(surface.get(), p);
      cairo_surface_finish(surface.get());
      check(cairo_surface_status(surface.get()), "cannot write the PDF");
      break;
    }
  }
  if (report) *report = {p.view, p.built.notices};
  return bytes;
}

RenderReport renderToFile(const db::Database& db, const std::filesystem::path& path,
                          const RenderOptions& options) {
  const auto format = pictureFormatOf(path);
  if (!format)
    throw std::runtime_error(
        fmt::format("{}: the picture must be a .png, .svg or .pdf file", path.string()));
  RenderReport report;
  std::string bytes;
  try {
    bytes = renderToBytes(db, *format, options, &report);
  } catch (const std::exception& e) {
    throw std::runtime_error(fmt::format("{}: {}", path.string(), e.what()));
  }
  try {
    kx::support::writeFileAtomically(path, bytes);
  } catch (const kx::support::FileError& e) {
    throw std::runtime_error(fmt::format("{}: cannot write: {}", path.string(), e.reason()));
  }
  return report;
}

}  // namespace kx::render
