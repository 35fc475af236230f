// Picture files: PNG, SVG and PDF written whole and valid, sizes as asked, failures reported
// without leaving a broken file, and kxhost's --render option.

#include <gtest/gtest.h>

#include "support/files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "pixel_checks.h"
#include "render/render.h"
#include "render_test_drawing.h"

namespace {

namespace fs = std::filesystem;
using namespace kx::test;
using kx::geom::Vec2;

TEST(RenderOutput, FilesOfEveryFormatSizesAndFailures) {
  const TempFolder dir("render");
  RenderDrawing d;
  d.entity("SOLID", solidGroups(0, 0, 10, 10), "0", 1);
  d.entity("LINE", lineGroups(0, 0, 40, 20), "0", 5);
  const kx::db::Database db = d.load();
  kx::render::RenderOptions options = ofWidth(300);
  options.height = 300;
  const kx::render::Picture square = kx::render::renderImage(db, options);
  EXPECT_EQ(square.image.width, 300);
  EXPECT_EQ(square.image.height, 300);
  // Fitted to the width, centred in the height.
  EXPECT_NEAR(square.view.toPicture({0, 0}).x, 15, 0.5);
  EXPECT_NEAR(square.view.toPicture({0, 10}).y, 150, 0.5);

  EXPECT_THROW(kx::render::renderToFile(db, dir / "a.jpg"), std::runtime_error);
  try {
    kx::render::renderToFile(db, dir / "missing" / "a.png");
    FAIL() << "wrote into a folder that does not exist";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("a.png"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));

  const auto png = kx::render::renderToFile(db, dir / "a.png");
  const auto image = kx::render::readPng(dir / "a.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 1600);
  EXPECT_EQ(image->height, png.view.height);
  EXPECT_EQ(png.view.height, 800);  // 40 by 20, margins alike
  // The file holds what the picture in memory holds.
  EXPECT_EQ(image->pixels, kx::render::renderImage(db).image.pixels);
  const kx::geom::Vec2 c = png.view.toPicture({5, 5});
  EXPECT_EQ(image->at(static_cast<int>(c.x), static_cast<int>(c.y)), (Rgb{255, 0, 0}));
  EXPECT_FALSE(kx::render::readPng(dir / "missing.png"));

  kx::render::renderToFile(db, dir / "a.SVG");
  const std::string svg = kx::test::readFile(dir / "a.SVG");
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
  EXPECT_NE(svg.find("width=\"1600"), std::string::npos);

  kx::render::renderToFile(db, dir / "a.pdf");
  const std::string pdf = kx::test::readFile(dir / "a.pdf");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);

  // Nothing is left behind but the three pictures.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
}

TEST(RenderOutput, WindowPaperBackgroundAndLayoutAsAsked) {
  RenderDrawing d;
  d.entity("SOLID", solidGroups(0, 0, 10, 10), "0", 1);
  d.entity("LINE", lineGroups(0, 20, 40, 20));  // colour 7 by layer 0
  d.paperEntity("SOLID", solidGroups(100, 100, 110, 110), 5);
  d.paperLayout("Sheet");
  const kx::db::Database db = d.load();
  kx::render::RenderOptions options = ofWidth(100);
  options.height = 100;
  options.window = kx::render::Window{10, 10, 0, 0};
  const kx::render::Picture window = kx::render::renderImage(db, options);
  EXPECT_NEAR(window.view.toPicture({0, 0}).x, 0, 1e-9);
  EXPECT_NEAR(window.view.toPicture({0, 0}).y, 100, 1e-9);
  EXPECT_NEAR(window.view.toPicture({10, 10}).x, 100, 1e-9);

  // An A4 sheet at 100 dpi and 1:2: a millimetre of paper shows 2 units.
  options = {};
  options.paperWidth = 297;
  options.paperHeight = 210;
  options.dpi = 100;
  options.unitsPerMillimetre = 2;
  const kx::render::Picture sheet = kx::render::renderImage(db, options);
  EXPECT_EQ(sheet.image.width, 1169);
  EXPECT_EQ(sheet.image.height, 827);
  EXPECT_NEAR(sheet.view.scale, 1169 / 297.0 / 2, 1e-9);

  options = ofWidth(400);
  options.background = {33, 40, 48};
  for (const auto& [format, dark] : pngAndPdf(db, options)) {
    SCOPED_TRACE(format);
    EXPECT_EQ(dark.image.at(1, 1), (Rgb{33, 40, 48}));
    EXPECT_TRUE(inkNear(dark, 20, 20, [](Rgb c) { return c.r > 110 && c.g > 110 && c.b > 110; }));
    EXPECT_TRUE(isReddish(colorAt(dark, 5, 5)));
  }

  options = {};
  options.layout = "sheet";
  EXPECT_TRUE(isBluish(colorAt(kx::render::renderImage(db, options), 105, 105)));
  options.layout = "MODEL";
  EXPECT_TRUE(isReddish(colorAt(kx::render::renderImage(db, options), 5, 5)));
  options.layout = "Nope";
  EXPECT_THROW(kx::render::renderImage(db, options), std::runtime_error);
}

TEST(RenderOutput, VectorPicturesKeepTextsAsTextAndLayersAsGroups) {
  RenderDrawing d;
  d.layer("Notes", 1);
  d.layer("Walls", 5);
  d.entity("LINE", lineGroups(0, 0, 40, 20), "Walls");
  d.entity("TEXT", textGroups("Tom & <Jerry>", 2.5), "Notes");
  d.entity("TEXT", textGroups("HHHHHHHH", 2.5, {}, 10, 5), "Walls");
  d.entity("SOLID", solidGroups(10, -1, 15, 8), "0", 3);
  d.entity("LINE", lineGroups(0, 20, 40, 0), "Walls");
  d.entity("MTEXT",
           Groups{{100, "AcDbMText"}} + point(10, 0, 30) +
               Groups{{40, "2.5"}, {1, "Small{\\H2x;Tall}{\\Q20;Slanted}"}},
           "Notes");
  const kx::db::Database db = d.load();
  const std::string svg = kx::render::renderToBytes(db, kx::render::PictureFormat::Svg);
  EXPECT_NE(svg.find("font-family=\"Liberation Sans\""), std::string::npos) << svg;
  EXPECT_NE(svg.find(">Tom &amp; &lt;Jerry&gt;</text>"), std::string::npos) << svg;
  // A group for each run of a layer, in drawing order.
  const std::size_t walls = svg.find("<g data-layer=\"Walls\">");
  const std::size_t notes = svg.find("<g data-layer=\"Notes\">");
  EXPECT_LT(walls, notes);
  EXPECT_NE(svg.find("<g data-layer=\"Walls\">", notes), std::string::npos);
  EXPECT_EQ(std::count(svg.begin(), svg.end(), '<') - std::count(svg.begin(), svg.end(), '>'), 0);
  EXPECT_NE(svg.rfind("</svg>\n"), std::string::npos);

  // The PDF embeds the font with a map back to the characters, so its text can be searched.
  const std::string pdf = kx::render::renderToBytes(db, kx::render::PictureFormat::Pdf);
  EXPECT_NE(pdf.find("+LiberationSans"), std::string::npos);
  if (std::system("command -v pdftotext >/dev/null 2>&1") == 0) {
    const TempFolder dir("pdf");
    dir.write("a.pdf", pdf);
    const std::string command =
        "pdftotext -raw " + (dir / "a.pdf").string() + " " + (dir / "a.txt").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = readFile(dir / "a.txt");
    EXPECT_NE(text.find("Tom & <Jerry>"), std::string::npos) << text;
    EXPECT_NE(text.find("HHHHHHHH"), std::string::npos) << text;
  }

  // Texts written one after the other keep their own colours, and what is drawn after them
  // stays on top of them.
  if (const auto p = pdfPicture(db, {})) {
    EXPECT_EQ(inkApart(kx::render::renderImage(db).image, p->image), 0);
    const auto count = [&](double x1, double y1, double x2, double y2, auto ink) {
      const Vec2 a = p->view.toPicture({x1, y2}), b = p->view.toPicture({x2, y1});
      int n = 0;
      for (int y = static_cast<int>(a.y); y <= static_cast<int>(b.y); ++y)
        for (int x = static_cast<int>(a.x); x <= static_cast<int>(b.x); ++x)
          n += ink(p->image.at(x, y)) ? 1 : 0;
      return n;
    };
    EXPECT_GT(count(16, 0, 24, 2.5, isReddish), 20);
    EXPECT_GT(count(16, 5, 24, 7.5, isBluish), 20);
    EXPECT_EQ(count(16, 5, 24, 7.5, isReddish), 0);
    EXPECT_EQ(count(11, 0, 14, 7, [](Rgb c) { return !isGreenish(c); }), 0);
  }
}

TEST(RenderOutput, KxhostRendersAndReportsCyclesOnce) {
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path() / "kxhost";
  if (!fs::exists(exe)) GTEST_SKIP() << "kxhost is not beside the tests";
  const TempFolder dir("render");
  RenderDrawing d;
  d.beginBlock("SELF");
  d.blockEntity("LINE", lineGroups(0, 0, 10, 0), "0", 1);
  d.blockEntity("INSERT", insertGroups("SELF", 0, 5));
  d.entity("INSERT", insertGroups("SELF", 0, 0));
  d.entity("INSERT", insertGroups("SELF", 0, 9));
  dir.write("in.dxf", d.dxf());
  // kxhost run in the test's folder, what it prints in out.txt and err.txt; its exit status.
  const auto kxhost = [&](const std::string& arguments) {
    const std::string command = "cd " + dir.path().string() + " && " + exe.string() + " " +
                                arguments + " > out.txt 2> err.txt";
    return WEXITSTATUS(std::system(command.c_str()));
  };

  ASSERT_EQ(kxhost("in.dxf --render out.png -o out.dxf"), 0);
  EXPECT_GT(fs::file_size(dir / "out.png"), 100u);
  EXPECT_EQ(kx::test::readFile(dir / "out.dxf"), d.dxf());  // rendering changes nothing
  const std::string err = kx::test::readFile(dir / "err.txt");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("SELF"), std::string::npos) << err;

  // Picture options: a size as asked; options that do not fit together refused before reading.
  ASSERT_EQ(kxhost("in.dxf --render sized.png --size 300x200 --background dark -c QUIT"), 0);
  const auto image = kx::render::readPng(dir / "sized.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 300);
  EXPECT_EQ(image->height, 200);
  for (const char* bad : {"--scale 1:50", "--size 3x", "--paper A9", "--window 1,2,3",
                          "--background blue", "--size 10x10 --paper A4"})
    EXPECT_EQ(kxhost(std::string("--render no.png ") + bad + " -c QUIT"), 2) << bad;
  EXPECT_FALSE(fs::exists(dir / "no.png"));
}

}  // namespace
