// Texts in pictures: the glyphs land inside the text box the text engine computes and fill it,
// attribute definitions show what they should, and an exploded MTEXT draws where it did.

#include <gtest/gtest.h>

#include <cmath>

#include "db/entities.h"
#include "pixel_checks.h"
#include "render/render.h"
#include "render_test_drawing.h"
#include "text/text_entity.h"

namespace {

using namespace kx::test;
using kx::geom::Vec2;
using kx::geom::Vec3;

// Red over white, the text's colour in these tests; faint antialiased edges count too.
bool isTextInk(Rgb c) {
  return c.r == 255 && c.g == c.b && c.g < 200;
}

// A drawing with a black frame from (-40, -40) to (80, 40), so every picture has the same view,
// and the groups of one red TEXT.
kx::db::Database textDrawing(const Groups& text, const std::string& style = "") {
  RenderDrawing d;
  if (!style.empty()) d.style("CJK", style);
  d.entity("LINE", lineGroups(-40, -40, 80, 40));
  d.entity("TEXT", text, "0", 1);
  return d.load();
}

TEST(RenderText, GlyphsFillTheTextBox) {
  struct Case {
    const char* name;
    Groups groups;
    std::string style;
  };
  const std::vector<Case> cases = {
      {"plain", textGroups("Hxgy Mj", 8), ""},
      {"rotated", textGroups("Hxgy Mj", 8, {{50, "30"}}), ""},
      {"oblique", textGroups("Hxgy Mj", 8, {{51, "20"}}), ""},
      {"width factor", textGroups("Hxgy Mj", 8, {{41, "0.5"}}), ""},
      {"backward", textGroups("Hxgy Mj", 8, {{71, "2"}}), ""},
      {"upside down and turned", textGroups("Hxgy Mj", 8, {{71, "4"}, {50, "-60"}}), ""},
      {"percent codes", textGroups("%%uUnder%%u 45%%d %%p1 %%c20 %%o", 6), ""},
      {"chinese", textGroups("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE4\xBD\x93", 8, {{7, "CJK"}}),
       "simsun.ttf"},
      {"mixed", textGroups("CAD \xE4\xB8\xAD\xE6\x96\x87 %%c10", 7, {{50, "15"}}), ""},
  };
  for (const Case& c : cases) {
    const kx::db::Database db = textDrawing(c.groups, c.style);
    const kx::text::TextEntity text = kx::text::readTextEntity(db, firstOf(db, "TEXT"));
    const kx::text::Box2 box = kx::text::textBox(text);
    ASSERT_GT(box.width(), 0) << c.name;
    // The PNG draws every glyph as its outline; the PDF writes glyphs as text in the font.
    for (const auto& [format, p] : pngAndPdf(db, ofWidth(1200))) {
      SCOPED_TRACE(format);
      // Every ink pixel back in the text's own coordinates.
      const kx::geom::Matrix3d toText = text.textToWorld().inverse();
      double xMin = INFINITY, yMin = INFINITY, xMax = -INFINITY, yMax = -INFINITY;
      int ink = 0;
      for (int y = 0; y < p.image.height; ++y)
        for (int x = 0; x < p.image.width; ++x) {
          if (!isTextInk(p.image.at(x, y))) continue;
          ++ink;
          const double wx = p.view.center.x + (x + 0.5 - p.image.width / 2.0) / p.view.scale;
          const double wy = p.view.center.y - (y + 0.5 - p.image.height / 2.0) / p.view.scale;
          const Vec3 t = toText.apply({wx, wy, 0});
          xMin = std::min(xMin, t.x);
          xMax = std::max(xMax, t.x);
          yMin = std::min(yMin, t.y);
          yMax = std::max(yMax, t.y);
        }
      ASSERT_GT(ink, 200) << c.name;
      // Within about a pixel of the box on every side, in the text's own units.
      const double pixel = 1.5 / p.view.scale / std::min(1.0, text.look.widthFactor);
      EXPECT_NEAR(xMin, box.xMin, pixel) << c.name;
      EXPECT_NEAR(xMax, box.xMax, pixel) << c.name;
      EXPECT_NEAR(yMin, box.yMin, 1.5 / p.view.scale) << c.name;
      EXPECT_NEAR(yMax, box.yMax, 1.5 / p.view.scale) << c.name;
    }
  }
}

TEST(RenderText, AttributeDefinitionsShowTheirTagOrTheirConstantValue) {
  const auto definition = [](double x, const char* flags) {
    return Groups{{100, "AcDbText"}} + point(10, x, 0) + Groups{{40, "5"}, {1, "I"}, {72, "1"}} +
           point(11, x, 0) +
           newTags(fmt::format("100 AcDbAttributeDefinition | 3 Prompt | 2 WWWWWWWW | 70 {} | 74 2",
                               flags));
  };
  RenderDrawing d;
  d.entity("LINE", lineGroups(-40, -40, 80, 40));
  d.beginBlock("TITLE");
  d.blockEntity("ATTDEF", definition(0, "2"), "0", 1);   // constant: shows "I"
  d.blockEntity("ATTDEF", definition(0, "0"), "0", 5);   // asks for a value: shows nothing
  d.blockEntity("ATTDEF", definition(20, "3"), "0", 5);  // constant but invisible
  d.entity("INSERT", insertGroups("TITLE", 10, 10));
  d.entity("ATTDEF", definition(0, "0"), "0", 3);  // in model space: shows its tag
  const kx::render::Picture p = render(d, 1200);

  const PixelBox value = inkBox(p.image, isTextInk);
  ASSERT_FALSE(value.empty());
  EXPECT_LT(value.xMax - value.xMin, 2.5 * p.view.scale);  // one letter, not eight
  // Centred on its alignment point, as the definition's justification says.
  EXPECT_NEAR((value.xMin + value.xMax) / 2.0, p.view.toPicture({10, 10}).x, 3);
  EXPECT_EQ(countPixels(p.image, isBluish), 0);
  const PixelBox tag = inkBox(p.image, isGreenish);
  EXPECT_GT(tag.xMax - tag.xMin, 20 * p.view.scale);
}

}  // namespace

TEST(RenderText, HighlightedTextsShowDashedOutlinesInTheSamePlace) {
  const kx::db::Database db = textDrawing(textGroups("HHH", 10));
  kx::render::RenderOptions options = ofWidth(1200);
  const kx::render::Picture plain = kx::render::renderImage(db, options);
  options.highlighted = {firstOf(db, "TEXT")};
  const kx::render::Picture highlighted = kx::render::renderImage(db, options);
  const PixelBox solid = inkBox(plain.image, isReddish),
                 dashed = inkBox(highlighted.image, isReddish);
  EXPECT_NEAR(dashed.xMin, solid.xMin, 2);
  EXPECT_NEAR(dashed.xMax, solid.xMax, 2);
  EXPECT_NEAR(dashed.yMin, solid.yMin, 2);
  EXPECT_NEAR(dashed.yMax, solid.yMax, 2);
  EXPECT_LT(countPixels(highlighted.image, isReddish), countPixels(plain.image, isReddish) / 2);
}
