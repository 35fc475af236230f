#include "render/render.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "render/painter.h"
#include "render/pdf_writer.h"
#include "render/scene_builder.h"
#include "render/svg_writer.h"
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

void check(cairo_status_t status, const char* what) {
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(fmt::format("{}: {}", what, cairo_status_to_string(status)));
}

// Pixels of a PNG per inch of paper; SVG and PDF pages are measured in points.
double pixelsPerInch(PictureFormat format, const RenderOptions& options) {
  return format == PictureFormat::Png ? std::clamp(options.dpi, 1.0, 4800.0) : 72.0;
}

// A picture is drawn in two walks over the drawing, neither of which keeps what it makes: the
// first measures the extents the view is fitted to, the second paints straight into the picture.
// Memory stays that of the picture (PNG) or of the writer, whatever the size of the drawing.
struct Plan {
  View view;
  std::vector<std::string> notices;
};

SceneRequest requestFor(const RenderOptions& options, double progressFrom) {
  SceneRequest request;
  request.highlighted = &options.highlighted;
  request.layout = options.layout;
  request.imageFolder = options.imageFolder;
  if (options.progress)
    request.progress = [&options, progressFrom](double f) {
      options.progress(progressFrom + f / 2);
    };
  return request;
}

Plan plan(const db::Database& db, const RenderOptions& options, PictureFormat format) {
  ExtentsSink extents;
  Plan p;
  p.notices = buildScene(db, extents, requestFor(options, 0));
  p.view = fitView(extents.extents(), options, pixelsPerInch(format, options));
  return p;
}

void paintInto(cairo_surface_t* surface, const db::Database& db, const RenderOptions& options,
               const Plan& p) {
  Context cr(cairo_create(surface));
  {
    ScenePainter painter(cr.get(), p.view, options.background);
    buildScene(db, painter, requestFor(options, 0.5));
  }
  check(cairo_status(cr.get()), "drawing failed");
  if (options.progress) options.progress(1);
}

using Writer = std::function<void(std::string_view)>;

// Cairo's writes go to the writer; what the writer throws comes out after Cairo has let go.
struct StreamTarget {
  const Writer& write;
  std::exception_ptr failure;
};

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length) {
  auto* target = static_cast<StreamTarget*>(closure);
  if (target->failure) return CAIRO_STATUS_WRITE_ERROR;
  try {
    target->write({reinterpret_cast<const char*>(data), length});
  } catch (...) {
    target->failure = std::current_exception();
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

RenderReport writePicture(const db::Database& db, PictureFormat format,
                          const RenderOptions& options, const Writer& write) {
  const Plan p = plan(db, options, format);
  StreamTarget target{write, nullptr};
  const auto rethrow = [&] {
    if (target.failure) std::rethrow_exception(target.failure);
  };
  switch (format) {
    case PictureFormat::Png: {
      Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.view.width, p.view.height));
      check(cairo_surface_status(surface.get()), "cannot make the picture");
      paintInto(surface.get(), db, options, p);
      const cairo_status_t status =
          cairo_surface_write_to_png_stream(surface.get(), writeTo, &target);
      rethrow();
      check(status, "cannot write the PNG");
      break;
    }
    case PictureFormat::Svg: {
      SvgWriter svg(write, p.view, options.background);
      buildScene(db, svg, requestFor(options, 0.5));
      svg.finish();
      if (options.progress) options.progress(1);
      break;
    }
    case PictureFormat::Pdf: {
      PdfWriter pdf(write, p.view, options.background);
      buildScene(db, pdf, requestFor(options, 0.5));
      pdf.finish();
      if (options.progress) options.progress(1);
      break;
    }
  }
  return {p.view, p.notices};
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
  const Plan p = plan(db, options, PictureFormat::Png);
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.view.width, p.view.height));
  check(cairo_surface_status(surface.get()), "cannot make the picture");
  paintInto(surface.get(), db, options, p);
  return {pixelsOf(surface.get()), p.view, p.notices};
}

std::optional<RasterImage> readPng(const std::filesystem::path& path) {
  Surface surface(cairo_image_surface_create_from_png(path.c_str()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return pixelsOf(surface.get());
}

std::string renderToBytes(const db::Database& db, PictureFormat format,
                          const RenderOptions& options, RenderReport* report) {
  std::string bytes;
  const RenderReport written =
      writePicture(db, format, options, [&](std::string_view b) { bytes.append(b); });
  if (report) *report = written;
  return bytes;
}

RenderReport renderToFile(const db::Database& db, const std::filesystem::path& path,
                          const RenderOptions& options) {
  const auto format = pictureFormatOf(path);
  if (!format)
    throw std::runtime_error(
        fmt::format("{}: the picture must be a .png, .svg or .pdf file", path.string()));
  try {
    kx::support::AtomicFile file(path);
    const RenderReport report =
        writePicture(db, *format, options, [&](std::string_view b) { file.write(b); });
    file.commit();
    return report;
  } catch (const kx::support::FileError& e) {
    throw std::runtime_error(fmt::format("{}: cannot write: {}", path.string(), e.reason()));
  } catch (const std::exception& e) {
    throw std::runtime_error(fmt::format("{}: {}", path.string(), e.what()));
  }
}

}  // namespace kx::render
