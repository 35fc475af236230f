// Fonts of text styles: which installed font a style's font name finds, the size of a text of
// height 1, the CJK fallback, and fonts that are missing or damaged.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/files.h"
#include "text/font.h"
#include "text/font_chain.h"
#include "text/font_flatten.h"

namespace {

namespace fs = std::filesystem;
using kx::text::FontChain;
using kx::text::FontLibrary;
using kx::text::GlyphMetrics;

// The primary font file a style's font name finds (the CJK fallback follows after a comma).
std::string styleFile(std::string_view fontFile) {
  const std::string d = FontLibrary::instance().styleFont(fontFile, "")->description();
  return fs::path(d.substr(0, d.find(", "))).filename().string();
}

std::string familyFile(std::string_view family, bool bold, bool italic) {
  const std::string d = FontLibrary::instance().familyFont(family, bold, italic)->description();
  return fs::path(d.substr(0, d.find(", "))).filename().string();
}

TEST(Fonts, StyleAndFamilyNamesFindInstalledFonts) {
  auto expectFile = [](const char* file, std::initializer_list<const char*> names) {
    for (const char* name : names) EXPECT_EQ(styleFile(name), file) << name;
  };
  // TrueType names find metric-compatible families, whatever the case or spelling; a style saved
  // on another machine holds the full path of a file that is not here.
  expectFile("LiberationSans-Regular.ttf", {"arial.ttf", "ARIAL.TTF", "Arial"});
  expectFile("LiberationSans-Bold.ttf", {"arialbd.ttf"});
  expectFile("LiberationSerif-Regular.ttf",
             {"times.ttf", "Times New Roman", "C:\\Windows\\Fonts\\times.ttf"});
  expectFile("LiberationMono-Regular.ttf", {"cour.ttf", "Courier New", "/no/such/dir/cour.ttf"});
  // Installed files and families by their own names or full paths.
  expectFile("DejaVuSans-Bold.ttf", {"DejaVuSans-Bold.ttf"});
  expectFile("DejaVuSerif.ttf",
             {"DejaVu Serif", "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"});
  // Chinese system fonts are drawn by the CJK font, Latin letters included.
  expectFile("wqy-microhei.ttc", {"simsun.ttc", "Microsoft YaHei"});
  // fontconfig knows Georgia is a serif and Consolas a monospace: the installed ones stand in.
  EXPECT_NE(styleFile("georgia.ttf").find("Serif"), std::string::npos);
  EXPECT_NE(styleFile("Consolas").find("Mono"), std::string::npos);

  // \F codes pick bold and italic faces; a shape font is drawn by the substitute in that style.
  EXPECT_EQ(familyFile("Arial", true, false), "LiberationSans-Bold.ttf");
  EXPECT_EQ(familyFile("Times New Roman", false, true), "LiberationSerif-Italic.ttf");
  EXPECT_EQ(familyFile("Courier New", true, true), "LiberationMono-BoldItalic.ttf");
  EXPECT_EQ(familyFile("Arial Bold Italic", false, false), "LiberationSans-BoldItalic.ttf");
  EXPECT_EQ(familyFile("romans.shx", true, false), "LiberationSans-Bold.ttf");
  EXPECT_EQ(familyFile("", false, false), "LiberationSans-Regular.ttf");
  // Fonts are resolved once per name, not once per text.
  auto& library = FontLibrary::instance();
  EXPECT_EQ(library.familyFont("Arial", true, false), library.familyFont("Arial", true, false));
}

TEST(Fonts, ShapeFontsAndUnknownNamesFindTheSubstitute) {
  struct Restore {  // the default substitute, for the tests after this one
    ~Restore() { FontLibrary::instance().setSubstituteFamily("Liberation Sans"); }
  } restore;
  for (const char* name : {"txt", "TXT.SHX", "romans.shx", "simplex", "gbcbig.shx", "", "   ",
                           "no-such-font.ttf", "Foobar Sans"})
    EXPECT_EQ(styleFile(name), "LiberationSans-Regular.ttf") << name;

  auto& library = FontLibrary::instance();
  library.setSubstituteFamily("DejaVu Serif");
  EXPECT_EQ(styleFile("romans.shx"), "DejaVuSerif.ttf");
  EXPECT_EQ(styleFile("unknown.ttf"), "DejaVuSerif.ttf");
  EXPECT_EQ(styleFile("arial.ttf"), "LiberationSans-Regular.ttf");
  // A substitute that cannot be found gives way to the default one, never to nothing.
  library.setSubstituteFamily("no such family");
  EXPECT_EQ(styleFile("txt"), "LiberationSans-Regular.ttf");
}

TEST(Fonts, CapitalsAreOneUnitTall) {
  for (const char* name : {"arial.ttf", "times.ttf", "cour.ttf", "DejaVuSans.ttf",
                           "DejaVuSerif.ttf", "DejaVuSansMono.ttf", "simsun.ttc"}) {
    auto font = FontLibrary::instance().styleFont(name, "");
    const GlyphMetrics h = font->metrics(U'H');
    // DejaVu has no cap height in its OS/2 table: the ink of H decides.
    EXPECT_NEAR(h.yMax, 1.0, 0.01) << name;
    EXPECT_NEAR(h.yMin, 0.0, 0.01) << name;
    EXPECT_GT(h.advance, h.xMax) << name;
    EXPECT_LT(font->descender(), -0.2) << name;
    EXPECT_LT(font->underlinePosition(), 0) << name;
    EXPECT_GT(font->overlinePosition(), 1) << name;
    EXPECT_GT(font->lineThickness(), 0) << name;
  }
  // Arial's widths, which Liberation Sans keeps: H is 1479/2048 em, the cap height 1409/2048.
  EXPECT_NEAR(FontLibrary::instance().styleFont("arial.ttf", "")->metrics(U'H').advance,
              1479.0 / 1409.0, 1e-3);
}

TEST(Fonts, CjkCharactersComeFromTheCjkFontAtTextHeight) {
  auto font = FontLibrary::instance().styleFont("arial.ttf", "gbcbig.shx");
  const auto& chain = dynamic_cast<const FontChain&>(*font);
  EXPECT_NE(font->description().find("wqy-microhei.ttc"), std::string::npos);
  for (char32_t c : {U'国', U'中', U'文', U'字', U'あ', U'カ', U'한', U'。', U'Ａ', U'，'})
    EXPECT_EQ(chain.glyph(c).source, FontChain::Source::cjk) << static_cast<unsigned>(c);
  EXPECT_EQ(chain.glyph(U'H').source, FontChain::Source::primary);
  // A Chinese character of height 1 is about 1 tall and stands on the baseline.
  for (char32_t c : {U'国', U'田', U'图', U'高'}) {
    const GlyphMetrics m = font->metrics(c);
    EXPECT_NEAR(m.yMax - m.yMin, 1.0, 0.1) << static_cast<unsigned>(c);
    EXPECT_NEAR(m.yMin, 0.0, 0.08) << static_cast<unsigned>(c);
  }
  // Whatever the style's font, CJK glyphs are the same.
  auto serif = FontLibrary::instance().styleFont("times.ttf", "");
  EXPECT_DOUBLE_EQ(serif->metrics(U'国').advance, font->metrics(U'国').advance);
}

TEST(Fonts, MissingCharactersFallBackThenShowABox) {
  auto font = FontLibrary::instance().styleFont("arial.ttf", "");
  const auto& chain = dynamic_cast<const FontChain&>(*font);
  // Liberation Sans has no diameter sign: its slashed O stands in.
  EXPECT_EQ(chain.glyph(0x2300).source, FontChain::Source::primary);
  EXPECT_EQ(chain.glyph(0x2300).drawn, char32_t{0xD8});
  EXPECT_DOUBLE_EQ(font->metrics(0x2300).advance, font->metrics(0xD8).advance);
  // A fallback font has what the primary lacks.
  auto mono = FontLibrary::instance().styleFont("cour.ttf", "");
  EXPECT_TRUE(mono->metrics(U'→').hasInk());
  // Code points that cannot exist are boxes too, not crashes or blanks.
  EXPECT_TRUE(font->metrics(0xFFFFFFFFu).hasInk());
  EXPECT_TRUE(font->metrics(0x110000).hasInk());
  // Control characters draw nothing and take no room.
  EXPECT_FALSE(font->metrics(U'\t').hasInk());
  EXPECT_DOUBLE_EQ(font->metrics(U'\n').advance, 0.0);
  EXPECT_TRUE(font->outline(U' ', 0.01).empty());

  // A private-use character no font has, and any character when there is no font at all, is a
  // hollow box of the usual size.
  const FontChain box(nullptr, nullptr, nullptr);
  const std::pair<const kx::text::Font*, char32_t> tofus[] = {
      {font.get(), 0xE123}, {&box, U'H'}, {&box, U'国'}, {&box, 0x2300}};
  for (const auto& [f, c] : tofus) {
    const GlyphMetrics m = f->metrics(c);
    EXPECT_DOUBLE_EQ(m.advance, 0.8);
    EXPECT_DOUBLE_EQ(m.xMax, 0.7);
    EXPECT_DOUBLE_EQ(m.yMax, 1);
    const auto contours = f->outline(c, 0.01);
    ASSERT_EQ(contours.size(), 2u);
    EXPECT_EQ(contours[0], (kx::text::Contour{{0, 0}, {0.7, 0}, {0.7, 1}, {0, 1}}));
  }
  EXPECT_FALSE(box.metrics(U' ').hasInk());
  EXPECT_DOUBLE_EQ(box.metrics(U' ').advance, 0.8);
  EXPECT_LT(box.descender(), 0);
}

TEST(Fonts, DamagedOrMissingFontFilesFallBackWithoutCrashing) {
  const kx::test::TempFolder dir("fonts");
  std::string junk(4096, '\0');
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
  // A real font cut short: its tables point past the end of the file.
  std::ifstream real("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
  std::string head(2000, '\0');
  real.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(real.gcount()));

  auto& library = FontLibrary::instance();
  for (const fs::path& file : {dir.write("junk.ttf", junk), dir.write("empty.ttf", ""),
                               dir.write("cut.ttf", head), dir.write("x.ttf", "x")}) {
    for (auto font :
         {library.styleFont(file.string(), ""), library.familyFont(file.string(), true, false)}) {
      EXPECT_NEAR(font->metrics(U'H').yMax, 1.0, 0.01) << file;
      EXPECT_FALSE(font->outline(U'H', 0.01).empty()) << file;
      EXPECT_TRUE(font->metrics(U'国').hasInk()) << file;
    }
    EXPECT_EQ(styleFile(file.string()), "LiberationSans-Regular.ttf") << file;
  }
}

TEST(Fonts, OutlinesAreClosedContoursWithinTheInkBoxAndTolerance) {
  auto font = FontLibrary::instance().styleFont("arial.ttf", "");
  for (char32_t c : {U'O', U'g', U'B', U'国', U'%'}) {
    const GlyphMetrics m = font->metrics(c);
    const auto coarse = font->outline(c, 0.05);
    const auto fine = font->outline(c, 0.001);
    ASSERT_FALSE(fine.empty());
    ASSERT_EQ(coarse.size(), fine.size());
    std::size_t coarsePoints = 0, finePoints = 0;
    for (const auto& contour : coarse) coarsePoints += contour.size();
    for (const auto& contour : fine) {
      finePoints += contour.size();
      ASSERT_GE(contour.size(), 3u);
      EXPECT_NE(contour.front(), contour.back());  // closing point not repeated
      for (const auto& p : contour) {
        EXPECT_GE(p.x, m.xMin - 1e-9);
        EXPECT_LE(p.x, m.xMax + 1e-9);
        EXPECT_GE(p.y, m.yMin - 1e-9);
        EXPECT_LE(p.y, m.yMax + 1e-9);
      }
    }
    if (c != U'国') {
      EXPECT_GT(finePoints, coarsePoints) << static_cast<unsigned>(c);
    }
  }
  // The counter of O is a second contour; O's outer points lie on a curve about its centre,
  // so the finest flattening has points close to all four extremes of the ink box.
  const auto o = font->outline(U'O', 0.001);
  EXPECT_EQ(o.size(), 2u);
  const GlyphMetrics m = font->metrics(U'O');
  double top = -1e9, right = -1e9;
  for (const auto& p : o[0]) {
    top = std::max(top, p.y);
    right = std::max(right, p.x);
  }
  EXPECT_NEAR(top, m.yMax, 0.002);
  EXPECT_NEAR(right, m.xMax, 0.002);
}

// Distance from p to the nearest chord of a polyline.
double distanceToPolyline(kx::geom::Vec2 p, const kx::text::Contour& line) {
  double best = 1e300;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const kx::geom::Vec2 a = line[i], d = line[i + 1] - a, ap = p - a;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t = len2 > 0 ? std::clamp((ap.x * d.x + ap.y * d.y) / len2, 0.0, 1.0) : 0;
    best = std::min(best, (ap - d * t).length());
  }
  return best;
}

TEST(Fonts, CurvesFlattenWithinTheTolerance) {
  using kx::geom::Vec2;
  const Vec2 q0{0, 0}, q1{1, 3}, q2{2, 0};
  const Vec2 c0{0, 0}, c1{1, 4}, c2{2, -4}, c3{3, 0};  // an S with an inflection
  for (double tolerance : {0.1, 0.01, 0.001}) {
    kx::text::Contour quad{q0}, cubic{c0};
    kx::text::appendQuadratic(quad, q1, q2, tolerance);
    kx::text::appendCubic(cubic, c1, c2, c3, tolerance);
    EXPECT_EQ(quad.back(), q2);
    EXPECT_EQ(cubic.back(), c3);
    for (int i = 0; i <= 1000; ++i) {
      const double t = i / 1000.0, u = 1 - t;
      const Vec2 onQuad = u * u * q0 + 2 * u * t * q1 + t * t * q2;
      const Vec2 onCubic =
          u * u * u * c0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * c3;
      ASSERT_LE(distanceToPolyline(onQuad, quad), tolerance) << t;
      ASSERT_LE(distanceToPolyline(onCubic, cubic), tolerance) << t;
    }
    // Not wastefully many chords: for a parabola the chord error bound is exact, so the count
    // is the least that keeps within the tolerance, sqrt(|B''| / 8 tolerance).
    EXPECT_LE(quad.size(), std::sqrt(12 / (8 * tolerance)) + 2) << tolerance;
  }
  // A tolerance of nothing, or nonsense, still ends with a bounded number of points.
  for (double tolerance : {0.0, -1.0, std::nan("")}) {
    kx::text::Contour cubic{c0};
    kx::text::appendCubic(cubic, c1, c2, c3, tolerance);
    EXPECT_LE(cubic.size(), 257u);
    EXPECT_EQ(cubic.back(), c3);
  }
}

TEST(Fonts, KerningNarrowsKnownPairs) {
  auto font = FontLibrary::instance().styleFont("arial.ttf", "");
  EXPECT_LT(font->kerning(U'T', U'o'), 0);
  EXPECT_DOUBLE_EQ(font->kerning(U'H', U'H'), 0);
  // Glyphs from different fonts never kern.
  EXPECT_DOUBLE_EQ(font->kerning(U'A', U'国'), 0);
  // Pairs beyond ASCII are read from the font as well as the common ones.
  auto dejavu = FontLibrary::instance().styleFont("DejaVuSans.ttf", "");
  EXPECT_LT(dejavu->kerning(U'À', U'-'), 0);
}

}  // namespace
