// One line of TEXT: %% codes, and where height, width factor, oblique angle, the backward and
// upside-down flags and underlines put the glyphs.

#include <gtest/gtest.h>

#include <cmath>

#include "text/font.h"
#include "text/line_layout.h"

namespace {

using kx::geom::Vec2;
using kx::geom::Vec3;
using kx::text::Box2;
using kx::text::DecodedChar;
using kx::text::decodePercentCodes;
using kx::text::FontLibrary;
using kx::text::layoutLine;
using kx::text::LineLayout;
using kx::text::TextLook;

const kx::text::Font& arial() {
  static auto font = FontLibrary::instance().styleFont("arial.ttf", "");
  return *font;
}

LineLayout layout(std::wstring_view text, TextLook look = {}) {
  return layoutLine(arial(), decodePercentCodes(text), look);
}

std::u32string charsOf(const std::vector<DecodedChar>& decoded) {
  std::u32string s;
  for (const DecodedChar& d : decoded) s += d.c;
  return s;
}

void expectBoxNear(const Box2& actual, const Box2& expected, double tolerance) {
  EXPECT_NEAR(actual.xMin, expected.xMin, tolerance);
  EXPECT_NEAR(actual.yMin, expected.yMin, tolerance);
  EXPECT_NEAR(actual.xMax, expected.xMax, tolerance);
  EXPECT_NEAR(actual.yMax, expected.yMax, tolerance);
}

TEST(PercentCodes, DecodeToCharactersAndSwitches) {
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%d %%p %%c %%%")), U"\u00B0 \u00B1 \u2300 %");
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%D%%P%%C")), U"\u00B0\u00B1\u2300");
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%065%%0979")), U"Aa9");
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%128 %%177 %%248")), U"\u20AC \u00B1 \u00F8");
  // Not codes: kept as they are, what follows read as usual.
  for (const wchar_t* text : {L"%%12", L"%%1x", L"50%", L"%%", L""})
    EXPECT_EQ(charsOf(decodePercentCodes(text)), std::u32string(text, text + wcslen(text)));
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%z%%d")), U"%%z\u00B0");
  EXPECT_EQ(charsOf(decodePercentCodes(L"%%%%d")), U"%%d");

  // Underline and overline switch on and off and draw nothing themselves.
  const auto d = decodePercentCodes(L"a%%ub%%Oc%%Ud%%oe%%u");
  ASSERT_EQ(charsOf(d), U"abcde");
  const bool under[] = {false, true, true, false, false};
  const bool over[] = {false, false, true, true, false};
  for (std::size_t i = 0; i < d.size(); ++i) {
    EXPECT_EQ(d[i].underline, under[i]) << i;
    EXPECT_EQ(d[i].overline, over[i]) << i;
  }
}

TEST(LineLayout, HeightAndWidthFactorScaleTheText) {
  const LineLayout h = layout(L"H", {2.5});
  EXPECT_NEAR(h.ink.height(), 2.5, 0.025);
  EXPECT_NEAR(h.ink.yMin, 0, 1e-9);
  expectBoxNear(h.cell, {0, arial().descender() * 2.5, h.advance, 2.5}, 1e-12);

  const LineLayout plain = layout(L"Wide text", {2.5});
  const LineLayout wide = layout(L"Wide text", {2.5, 2});
  EXPECT_NEAR(wide.advance, 2 * plain.advance, 1e-9);
  EXPECT_NEAR(wide.ink.width(), 2 * plain.ink.width(), 1e-9);
  EXPECT_NEAR(wide.ink.height(), plain.ink.height(), 1e-9);
  EXPECT_NEAR(layout(L"Wide text", {5}).advance, 2 * plain.advance, 1e-9);

  // Glyphs follow one another by their advances, and kerning pulls A and V together.
  const LineLayout av = layout(L"AV");
  EXPECT_LT(av.advance, arial().metrics(U'A').advance + arial().metrics(U'V').advance - 0.05);
  EXPECT_NEAR(av.glyphs[1].toText.origin().x, av.advance - arial().metrics(U'V').advance, 1e-9);
}

TEST(LineLayout, ObliqueSlantsTheInkButNotTheCell) {
  const double angle = 15 * M_PI / 180;
  const LineLayout upright = layout(L"H", {2.5});
  const LineLayout slanted = layout(L"H", {2.5, 1, angle});
  // H stands on the baseline: its foot stays, its top moves right by height * tan(angle).
  EXPECT_NEAR(slanted.ink.xMin, upright.ink.xMin, 1e-9);
  EXPECT_NEAR(slanted.ink.xMax, upright.ink.xMax + 2.5 * std::tan(angle), 1e-3);
  expectBoxNear(slanted.cell, upright.cell, 1e-12);
  const Vec3 top = slanted.glyphs[0].toText.apply({0, 1, 0});
  EXPECT_NEAR(top.x, 2.5 * std::tan(angle), 1e-9);
  EXPECT_NEAR(top.y, 2.5, 1e-9);
  // A negative angle slants to the left.
  EXPECT_LT(layout(L"H", {2.5, 1, -angle}).ink.xMin, upright.ink.xMin - 0.5);
}

TEST(LineLayout, BackwardAndUpsideDownMirrorTheInkWithinTheCell) {
  const LineLayout normal = layout(L"Fig 1", {2.5, 1.3, 0.2});
  const LineLayout back = layout(L"Fig 1", {2.5, 1.3, 0.2, true, false});
  expectBoxNear(back.cell, normal.cell, 1e-12);
  EXPECT_DOUBLE_EQ(back.advance, normal.advance);
  EXPECT_NEAR(back.ink.xMin, normal.advance - normal.ink.xMax, 1e-9);
  EXPECT_NEAR(back.ink.xMax, normal.advance - normal.ink.xMin, 1e-9);
  EXPECT_NEAR(back.ink.yMin, normal.ink.yMin, 1e-12);
  // The first glyph starts at the right end and is drawn mirrored, reading right to left.
  EXPECT_NEAR(back.glyphs[0].toText.origin().x, normal.advance, 1e-9);
  EXPECT_LT(back.glyphs[0].toText.determinant(), 0);

  const LineLayout down = layout(L"Fig 1", {2.5, 1.3, 0.2, false, true});
  expectBoxNear(down.cell, normal.cell, 1e-12);
  const double mirrorY = normal.cell.yMin + normal.cell.yMax;
  EXPECT_NEAR(down.ink.yMin, mirrorY - normal.ink.yMax, 1e-9);
  EXPECT_NEAR(down.ink.yMax, mirrorY - normal.ink.yMin, 1e-9);
  EXPECT_NEAR(down.ink.xMin, normal.ink.xMin, 1e-12);
  EXPECT_LT(down.glyphs[0].toText.determinant(), 0);

  const LineLayout both = layout(L"Fig 1", {2.5, 1.3, 0.2, true, true});
  expectBoxNear(both.ink, {back.ink.xMin, down.ink.yMin, back.ink.xMax, down.ink.yMax}, 1e-9);
  EXPECT_GT(both.glyphs[0].toText.determinant(), 0);  // a half turn, not a mirror image
}

TEST(LineLayout, UnderlinesAndOverlinesRunOverTheirCharacters) {
  const LineLayout l = layout(L"%%uAB%%u C %%o%%uD", {2});
  ASSERT_EQ(l.decorations.size(), 3u);
  const double underlineY = arial().underlinePosition() * 2;
  // First underline: from the start to the end of B's advance.
  EXPECT_NEAR(l.decorations[0].first.x, 0, 1e-12);
  EXPECT_NEAR(l.decorations[0].second.x, l.glyphs[2].toText.origin().x, 1e-9);
  EXPECT_NEAR(l.decorations[0].first.y, underlineY, 1e-12);
  // D is underlined and overlined to the end of the text.
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_NEAR(l.decorations[i].first.x, l.glyphs[5].toText.origin().x, 1e-9);
    EXPECT_NEAR(l.decorations[i].second.x, l.advance, 1e-9);
  }
  EXPECT_NEAR(l.ink.yMin, underlineY, 1e-12);
  EXPECT_NEAR(l.ink.yMax, arial().overlinePosition() * 2, 1e-12);
  EXPECT_EQ(l.glyphs.size(), 6u);  // the codes draw nothing

  const LineLayout mirrored = layout(L"%%uAB", {2, 1, 0, false, true});
  ASSERT_EQ(mirrored.decorations.size(), 1u);
  EXPECT_NEAR(mirrored.decorations[0].first.y, mirrored.cell.yMin + mirrored.cell.yMax - underlineY,
              1e-9);
}

TEST(LineLayout, GlyphTransformsPlaceOutlinesInsideTheInkBox) {
  const LineLayout l = layout(L"Hg\u00B0%%c国", {3, 0.8, 0, true});
  Box2 drawn{1e9, 1e9, -1e9, -1e9};
  for (const auto& g : l.glyphs)
    for (const auto& contour : arial().outline(g.c, 0.001))
      for (const Vec2& p : contour) {
        const Vec3 q = g.toText.apply({p.x, p.y, 0});
        drawn = {std::min(drawn.xMin, q.x), std::min(drawn.yMin, q.y), std::max(drawn.xMax, q.x),
                 std::max(drawn.yMax, q.y)};
      }
  expectBoxNear(drawn, l.ink, 0.01);
}

TEST(LineLayout, NothingToDrawGivesAnEmptyInkBox) {
  for (const wchar_t* text : {L"", L"   ", L"%%u%%u", L"%%o"}) {
    const LineLayout l = layout(text, {2.5});
    EXPECT_EQ(l.ink.width(), 0) << text;
    EXPECT_EQ(l.ink.height(), 0) << text;
    EXPECT_NEAR(l.cell.yMax, 2.5, 1e-12);
  }
  EXPECT_GT(layout(L"   ", {2.5}).advance, 0);
  EXPECT_EQ(layout(L"", {2.5}).advance, 0);
  // An underlined blank still draws its underline.
  EXPECT_GT(layout(L"%%u   ", {2.5}).ink.width(), 0);
}

// Linear work takes well under a second in a release build; quadratic work would take hours, far
// past the time limit every unit test runs under.
TEST(LineLayout, AMillionCharactersLayOutInLinearTime) {
  const std::wstring text(1'000'000, L'x');
  const LineLayout l = layout(text, {1});
  ASSERT_EQ(l.glyphs.size(), text.size());
  EXPECT_NEAR(l.advance, 1e6 * arial().metrics(U'x').advance, 1e-3);
}

}  // namespace
