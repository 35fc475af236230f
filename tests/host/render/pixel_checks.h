#pragma once
// Looking at rendered pixels: colours by kind, the pixel a world point lands on, and ink boxes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "render/render.h"
#include "support/files.h"

namespace kx::test {

using render::Rgb;

inline bool isWhite(Rgb c) {
  return c.r > 245 && c.g > 245 && c.b > 245;
}
// Antialiased edges mix with the white background, so a colour is told by which channels lead.
inline bool isReddish(Rgb c) {
  return c.r > c.g + 60 && c.r > c.b + 60;
}
inline bool isGreenish(Rgb c) {
  return c.g > c.r + 60 && c.g > c.b + 60;
}
inline bool isBluish(Rgb c) {
  return c.b > c.r + 60 && c.b > c.g + 60;
}
inline bool isDark(Rgb c) {
  return c.r < 170 && c.g < 170 && c.b < 170;
}

struct PixelBox {
  int xMin = 1 << 30, yMin = 1 << 30, xMax = -1, yMax = -1;
  bool empty() const { return xMax < 0; }
};

inline PixelBox inkBox(const render::RasterImage& image, const std::function<bool(Rgb)>& ink) {
  PixelBox box;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (ink(image.at(x, y))) {
        box.xMin = std::min(box.xMin, x);
        box.yMin = std::min(box.yMin, y);
        box.xMax = std::max(box.xMax, x);
        box.yMax = std::max(box.yMax, y);
      }
  return box;
}

inline int countPixels(const render::RasterImage& image, const std::function<bool(Rgb)>& ink) {
  int n = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) n += ink(image.at(x, y)) ? 1 : 0;
  return n;
}

// The colour at the pixel a world point lands on.
inline Rgb colorAt(const render::Picture& p, double x, double y) {
  const geom::Vec2 px = p.view.toPicture({x, y});
  return p.image.at(static_cast<int>(std::floor(px.x)), static_cast<int>(std::floor(px.y)));
}

// Whether a pixel within `radius` pixels of where the world point lands is `ink`.
inline bool inkNear(const render::Picture& p, double x, double y,
                    const std::function<bool(Rgb)>& ink, int radius = 1) {
  const geom::Vec2 px = p.view.toPicture({x, y});
  const int cx = static_cast<int>(std::floor(px.x)), cy = static_cast<int>(std::floor(px.y));
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      if (ink(p.image.at(cx + dx, cy + dy))) return true;
  return false;
}

// A world point and the kind of colour expected where it lands.
struct Probe {
  double x, y;
  bool (*ink)(Rgb);
};

// Expects the pixel of every probe to be of its kind.
inline void expectColors(const render::Picture& p, std::initializer_list<Probe> probes) {
  for (const auto& [x, y, ink] : probes) EXPECT_TRUE(ink(colorAt(p, x, y))) << x << "," << y;
}

// Expects ink of each probe's kind within `radius` pixels of its point; with `shown` false, none.
inline void expectInkNear(const render::Picture& p, std::initializer_list<Probe> probes,
                          bool shown = true, int radius = 1) {
  for (const auto& [x, y, ink] : probes)
    EXPECT_EQ(inkNear(p, x, y, ink, radius), shown) << x << "," << y;
}

// Pixels clearly inked in `a` with nothing drawn within a pixel of them in `b`, both ways: where
// two pictures of one drawing differ by more than the antialiasing of their edges.
inline int inkApart(const render::RasterImage& a, const render::RasterImage& b) {
  const auto stray = [](const render::RasterImage& from, const render::RasterImage& in) {
    int n = 0;
    for (int y = 0; y < from.height; ++y)
      for (int x = 0; x < from.width; ++x) {
        const Rgb c = from.at(x, y);
        bool near = std::min({c.r, c.g, c.b}) >= 150;
        for (int dy = -1; dy <= 1 && !near; ++dy)
          for (int dx = -1; dx <= 1 && !near; ++dx) near = !isWhite(in.at(x + dx, y + dy));
        n += near ? 0 : 1;
      }
    return n;
  };
  return stray(a, b) + stray(b, a);
}

// The drawing as a PDF, rasterised one pixel a point so it lines up with the PNG of the same
// options; nothing when poppler's pdftoppm is not installed. Anything the reader or qpdf's checker
// says about the file fails the test: a reader repairs a broken index or font quietly.
inline std::optional<render::Picture> pdfPicture(const db::Database& db,
                                                 const render::RenderOptions& options) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) return std::nullopt;
  const TempFolder dir("pdf");
  render::RenderReport report;
  dir.write("in.pdf", render::renderToBytes(db, render::PictureFormat::Pdf, options, &report));
  const std::string in = (dir / "in.pdf").string(), said = (dir / "said.txt").string();
  const std::string command = "pdftoppm -r 72 -png -singlefile " + in + " " +
                              (dir / "out").string() + " >" + said + " 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  EXPECT_EQ(readFile(dir / "said.txt"), "");
  if (std::system("command -v qpdf >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("qpdf --check " + in + " >" + said + " 2>&1").c_str()), 0)
        << readFile(dir / "said.txt");
  }
  auto image = render::readPng(dir / "out.png");
  if (!image) return std::nullopt;
  return render::Picture{std::move(*image), report.view, report.notices};
}

// The picture as a PNG, and as a PDF read back when a reader is installed.
inline std::vector<std::pair<const char*, render::Picture>> pngAndPdf(
    const db::Database& db, const render::RenderOptions& options) {
  std::vector<std::pair<const char*, render::Picture>> pictures;
  pictures.emplace_back("png", render::renderImage(db, options));
  if (auto pdf = pdfPicture(db, options)) pictures.emplace_back("pdf", std::move(*pdf));
  return pictures;
}

}  // namespace kx::test
