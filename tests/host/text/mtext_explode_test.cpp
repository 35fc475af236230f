// Exploding an MTEXT: one TEXT per run where the run was, in its height, colour and font, with
// the text written so that a TEXT shows the same characters, and lines for what a TEXT cannot draw.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "text/line_layout.h"
#include "text/mtext_explode.h"

namespace {

using kx::text::ExplodedText;
using kx::text::explodeMTextLayout;
using kx::text::layoutMText;
using kx::text::MTextExplosion;
using kx::text::MTextInput;

constexpr double kH = 2.5;

MTextExplosion explode(std::wstring contents, int attachment = 1) {
  MTextInput in;
  in.contents = std::move(contents);
  in.textHeight = kH;
  in.attachment = attachment;
  return explodeMTextLayout(layoutMText(in));
}

// What a TEXT shows for its string.
std::wstring shown(const std::wstring& text) {
  std::wstring out;
  for (const auto& c : kx::text::decodePercentCodes(text)) out.push_back(static_cast<wchar_t>(c.c));
  return out;
}

// Where the TEXTs stand is checked in the drawing, against the runs' boxes (MTextEntity).
TEST(MTextExplode, RunsKeepTheirHeightsAndColours) {
  const MTextExplosion e = explode(L"{\\H5;Big }{\\C1;red}\\Psmall {\\c255;rgb}");
  ASSERT_EQ(e.texts.size(), 4u);
  const std::tuple<std::wstring, double, int, int> expected[] = {{L"Big ", 5, 256, -1},
                                                                 {L"red", kH, 1, -1},
                                                                 {L"small ", kH, 256, -1},
                                                                 {L"rgb", kH, 256, 0xFF0000}};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& [text, height, color, trueColor] = expected[i];
    EXPECT_EQ(e.texts[i].text, text);
    EXPECT_EQ(e.texts[i].height, height) << i;
    EXPECT_EQ(e.texts[i].color, color) << i;
    EXPECT_EQ(e.texts[i].trueColor, trueColor) << i;
  }
  EXPECT_TRUE(e.lines.empty());
}

TEST(MTextExplode, TextStringsShowTheSameCharacters) {
  const MTextExplosion e = explode(L"{\\L50%%d under}{\\O over}{\\L\\O both} 100%%%x %%%% 5%");
  ASSERT_EQ(e.texts.size(), 4u);
  EXPECT_EQ(e.texts[0].text, L"%%u50\u00B0 under");
  EXPECT_EQ(e.texts[1].text, L"%%o over");
  EXPECT_EQ(e.texts[2].text, L"%%u%%o both");
  EXPECT_EQ(shown(e.texts[3].text), L" 100%%%x %%%% 5%");
  for (const std::wstring plain : {L"%%d", L"%", L"50%", L"%%%", L"%%u", L"a%%", L"%%%%%"})
    EXPECT_EQ(shown(kx::text::escapeForText(plain)), plain);
  EXPECT_EQ(kx::text::escapeForText(L"50% off"), L"50% off");
  // Blank runs make no TEXT.
  EXPECT_TRUE(explode(L"   \\P  ").texts.empty());
  EXPECT_TRUE(explode(L"").texts.empty());
}

TEST(MTextExplode, FontsStacksStrikeThroughAndTracking) {
  const MTextExplosion fonts = explode(L"a\\fArial|b1|i1;b\\Fromans.shx;c");
  ASSERT_EQ(fonts.texts.size(), 3u);
  EXPECT_TRUE(fonts.texts[0].fontFamily.empty());
  EXPECT_EQ(fonts.texts[1].fontFamily, L"Arial");
  EXPECT_TRUE(fonts.texts[1].bold && fonts.texts[1].italic);
  EXPECT_EQ(fonts.texts[2].fontFamily, L"romans.shx");
  EXPECT_FALSE(fonts.texts[2].bold);

  // A fraction is its two parts and its bar, in the fraction's colour.
  const MTextExplosion fraction = explode(L"1{\\C2;\\S1/2;}");
  ASSERT_EQ(fraction.texts.size(), 3u);
  EXPECT_FALSE(fraction.texts[0].stacked);
  EXPECT_TRUE(fraction.texts[1].stacked && fraction.texts[2].stacked);
  EXPECT_EQ(fraction.texts[1].text, L"1");
  EXPECT_EQ(fraction.texts[2].text, L"2");
  EXPECT_EQ(fraction.texts[2].color, 2);
  ASSERT_EQ(fraction.lines.size(), 1u);
  EXPECT_EQ(fraction.lines[0].color, 2);

  // Strike-through becomes a line through the middle of the run.
  const MTextExplosion struck = explode(L"{\\K\\C5;gone}");
  ASSERT_EQ(struck.texts.size(), 1u);
  ASSERT_EQ(struck.lines.size(), 1u);
  EXPECT_EQ(struck.lines[0].color, 5);
  EXPECT_DOUBLE_EQ(struck.lines[0].start.y, struck.texts[0].position.y + kH / 2);
  EXPECT_EQ(struck.lines[0].start.x, struck.texts[0].position.x);
  EXPECT_GT(struck.lines[0].end.x, struck.lines[0].start.x + kH);

  // Tracking spreads the characters, so each one is its own TEXT; the space makes none.
  const MTextExplosion tracked = explode(L"\\T2;ab c");
  ASSERT_EQ(tracked.texts.size(), 3u);
  EXPECT_EQ(tracked.texts[0].text, L"a");
  EXPECT_EQ(tracked.texts[1].text, L"b");
  EXPECT_EQ(tracked.texts[2].text, L"c");
  EXPECT_EQ(tracked.texts[0].position.x, 0);
  MTextInput a;
  a.contents = L"a";
  a.textHeight = kH;
  EXPECT_NEAR(tracked.texts[1].position.x, 2 * layoutMText(a).actualWidth, 0.05 * kH);
  EXPECT_EQ(tracked.texts[2].position.y, tracked.texts[0].position.y);
}

}  // namespace
