// MTEXT layout: where lines break, how far apart they are, the size and frame a CAD user sees, and
// that no contents or sizes can make it crash or hang.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "text/mtext_layout.h"

namespace {

using kx::text::layoutMText;
using kx::text::MTextInput;
using kx::text::MTextLayout;
using kx::text::MTextRun;

constexpr double kH = 2.5;

MTextInput input(std::wstring contents, double width = 0, int attachment = 1) {
  MTextInput in;
  in.contents = std::move(contents);
  in.textHeight = kH;
  in.definedWidth = width;
  in.attachment = attachment;
  return in;
}

MTextLayout lay(std::wstring contents, double width = 0, int attachment = 1) {
  return layoutMText(input(std::move(contents), width, attachment));
}

// The advance of a text on one line, as the layout measures it.
double advanceOf(const std::wstring& text) {
  return lay(text).actualWidth;
}

// The text of every line, top to bottom, from the runs' baselines.
std::vector<std::wstring> lineTexts(const MTextLayout& layout) {
  std::vector<std::wstring> lines;
  double y = std::numeric_limits<double>::infinity();
  for (const MTextRun& run : layout.runs) {
    if (run.baseline.y < y - 1e-9) {
      lines.emplace_back();
      y = run.baseline.y;
    }
    lines.back() += run.text;
  }
  return lines;
}

TEST(MTextLayout, OneLineSitsBelowTheInsertionPoint) {
  const MTextLayout capitals = lay(L"HELLO");
  ASSERT_EQ(capitals.runs.size(), 1u);
  EXPECT_EQ(capitals.lineCount, 1u);
  // The top of the capitals is at the insertion point of a top-left MTEXT.
  EXPECT_DOUBLE_EQ(capitals.runs[0].baseline.y, -kH);
  EXPECT_EQ(capitals.runs[0].baseline.x, 0);
  EXPECT_NEAR(capitals.actualHeight, kH, 0.03 * kH);
  EXPECT_GT(capitals.actualWidth, 3 * kH);
  EXPECT_DOUBLE_EQ(capitals.actualWidth, capitals.runs[0].layout.advance);
  // Descenders on the last line make it taller.
  EXPECT_GT(lay(L"gjpq").actualHeight, 1.15 * kH);
  // Trailing spaces take no room; leading ones do.
  EXPECT_DOUBLE_EQ(lay(L"HELLO   ").actualWidth, capitals.actualWidth);
  EXPECT_GT(lay(L"  HELLO").actualWidth, capitals.actualWidth);
}

TEST(MTextLayout, TwoLinesHaveTheirSizeAndSpacing) {
  const MTextLayout two = lay(L"HELLO\\PWIDE WORLD");
  ASSERT_EQ(two.lineCount, 2u);
  ASSERT_EQ(two.runs.size(), 2u);
  EXPECT_DOUBLE_EQ(two.runs[1].baseline.y, -kH - 5.0 / 3.0 * kH);
  EXPECT_DOUBLE_EQ(two.actualWidth, std::max(advanceOf(L"HELLO"), advanceOf(L"WIDE WORLD")));
  EXPECT_NEAR(two.actualHeight, kH + 5.0 / 3.0 * kH, 0.03 * kH);

  MTextInput spaced = input(L"A\\PB");
  spaced.lineSpacingFactor = 1.5;
  EXPECT_DOUBLE_EQ(layoutMText(spaced).runs[1].baseline.y, -kH - 2.5 * kH);

  // "At least" makes room for a taller line; "exactly" keeps the pitch of the nominal height.
  MTextInput tall = input(L"A\\P{\\H3x;B}\\PC");
  const MTextLayout atLeast = layoutMText(tall);
  ASSERT_EQ(atLeast.runs.size(), 3u);
  EXPECT_DOUBLE_EQ(atLeast.runs[1].baseline.y, -kH - (2.0 / 3.0 * kH + 3 * kH));
  EXPECT_DOUBLE_EQ(atLeast.runs[2].baseline.y - atLeast.runs[1].baseline.y,
                   -(2.0 / 3.0 * 3 * kH + kH));
  tall.lineSpacingStyle = 2;
  const MTextLayout exactly = layoutMText(tall);
  EXPECT_DOUBLE_EQ(exactly.runs[1].baseline.y, -kH - 5.0 / 3.0 * kH);
  EXPECT_DOUBLE_EQ(exactly.runs[2].baseline.y, -kH - 10.0 / 3.0 * kH);
}

TEST(MTextLayout, EmptyParagraphsAndEmptyContents) {
  const MTextLayout gap = lay(L"A\\P\\PC");
  EXPECT_EQ(gap.lineCount, 3u);
  ASSERT_EQ(gap.runs.size(), 2u);
  EXPECT_DOUBLE_EQ(gap.runs[1].baseline.y, -kH - 10.0 / 3.0 * kH);
  // An empty line takes the height in effect where it is.
  const MTextLayout tallGap = lay(L"A\\P\\H5;\\PC");
  EXPECT_DOUBLE_EQ(tallGap.runs[1].baseline.y, -kH - (2.0 / 3.0 * kH + 5) - (2.0 / 3.0 * 5 + 5));

  const MTextLayout empty = lay(L"");
  EXPECT_EQ(empty.lineCount, 0u);
  EXPECT_TRUE(empty.runs.empty());
  EXPECT_EQ(empty.actualWidth, 0);
  EXPECT_EQ(empty.actualHeight, 0);
  const MTextLayout breaks = lay(L"\\P");
  EXPECT_EQ(breaks.lineCount, 2u);
  EXPECT_TRUE(breaks.runs.empty());
  EXPECT_DOUBLE_EQ(breaks.actualHeight, kH + 5.0 / 3.0 * kH);
  const MTextLayout blank = lay(L"   ", 1);
  EXPECT_EQ(blank.lineCount, 1u);
  EXPECT_EQ(blank.actualWidth, 0);
}

TEST(MTextLayout, WrapsAtTheDefinedWidth) {
  const double pair = advanceOf(L"AAA AAA");
  EXPECT_EQ(lineTexts(lay(L"AAA AAA AAA AAA AAA", pair * 1.01)),
            (std::vector<std::wstring>{L"AAA AAA", L"AAA AAA", L"AAA"}));
  const MTextLayout single = lay(L"AAA AAA AAA", pair * 0.99);
  EXPECT_EQ(lineTexts(single), (std::vector<std::wstring>{L"AAA", L"AAA", L"AAA"}));
  EXPECT_DOUBLE_EQ(single.actualWidth, advanceOf(L"AAA"));
  EXPECT_EQ(single.lineCount, 3u);
  // The space a line broke at is not part of either line, and several spaces go with it.
  EXPECT_EQ(lineTexts(lay(L"AAA    AAA", pair * 0.99)),
            (std::vector<std::wstring>{L"AAA", L"AAA"}));
  // A word wider than the width is not cut: it overflows on a line of its own.
  const MTextLayout longWord = lay(L"A AAAAAAAAAAAA A", advanceOf(L"AAA"));
  EXPECT_EQ(lineTexts(longWord), (std::vector<std::wstring>{L"A", L"AAAAAAAAAAAA", L"A"}));
  EXPECT_DOUBLE_EQ(longWord.actualWidth, advanceOf(L"AAAAAAAAAAAA"));
  // A word made of several formats stays one word; \~ does not break.
  EXPECT_EQ(lineTexts(lay(L"{\\Lun}der{\\C1;line} wrap", advanceOf(L"underline") * 1.01)),
            (std::vector<std::wstring>{L"underline", L"wrap"}));
  EXPECT_EQ(lineTexts(lay(L"AAA\\~AAA AAA", pair * 1.01)),
            (std::vector<std::wstring>{L"AAA AAA", L"AAA"}));
  // Without a width only \P breaks.
  EXPECT_EQ(lay(L"AAA AAA AAA AAA AAA").lineCount, 1u);
  EXPECT_EQ(lay(L"AAA AAA AAA AAA AAA", -5).lineCount, 1u);
  // Chinese has no spaces: it breaks between characters.
  const double two = advanceOf(L"\u4E2D\u6587");
  EXPECT_EQ(lineTexts(lay(L"\u4E2D\u6587\u4E2D\u6587\u4E2D", two * 1.01)),
            (std::vector<std::wstring>{L"\u4E2D\u6587", L"\u4E2D\u6587", L"\u4E2D"}));
}

TEST(MTextLayout, AttachmentPlacesTheFrameAndTheLines) {
  const MTextLayout topLeft = lay(L"HELLO\\PWIDE WORLD");
  const double w = topLeft.actualWidth, h = topLeft.actualHeight;

  const MTextLayout middleCentre = lay(L"HELLO\\PWIDE WORLD", 100, 5);
  // Each line is centred on its own.
  EXPECT_DOUBLE_EQ(middleCentre.runs[0].baseline.x, -advanceOf(L"HELLO") / 2);
  EXPECT_DOUBLE_EQ(middleCentre.runs[1].baseline.x, -advanceOf(L"WIDE WORLD") / 2);
  EXPECT_DOUBLE_EQ(middleCentre.runs[0].baseline.y, topLeft.runs[0].baseline.y + h / 2);

  const MTextLayout bottomRight = lay(L"HELLO\\PWIDE WORLD", 0, 9);
  EXPECT_DOUBLE_EQ(bottomRight.runs[0].baseline.x + bottomRight.runs[0].layout.advance, 0);
  EXPECT_DOUBLE_EQ(bottomRight.runs[1].baseline.y, topLeft.runs[1].baseline.y + h);

  // Every attachment puts its point of the frame at the insertion point; the frame is the size
  // of the text, not of a defined width the text does not fill.
  for (int attachment = 1; attachment <= 9; ++attachment) {
    const MTextLayout l = lay(L"HELLO\\PWIDE WORLD", attachment % 2 ? 100 : 0, attachment);
    EXPECT_NEAR(l.frame.width(), w, 1e-9);
    EXPECT_NEAR(l.frame.height(), h, 1e-9);
    const double expectedLeft = attachment % 3 == 1 ? 0 : attachment % 3 == 2 ? -w / 2 : -w;
    const double expectedTop = attachment <= 3 ? 0 : attachment <= 6 ? h / 2 : h;
    EXPECT_NEAR(l.frame.xMin, expectedLeft, 1e-9) << attachment;
    EXPECT_NEAR(l.frame.yMax, expectedTop, 1e-9) << attachment;
  }
  // An attachment out of range counts as top left.
  for (int bad : {0, 10, -5}) {
    EXPECT_EQ(lay(L"HELLO", 0, bad).frame.xMin, 0) << bad;
    EXPECT_EQ(lay(L"HELLO", 0, bad).frame.yMax, 0) << bad;
  }
}

TEST(MTextLayout, FormatCodesReachTheRuns) {
  const MTextLayout l = lay(L"{\\H5;Big }{\\C1;red}\\P{\\A1;\\H2x;X}{\\A1;m}{\\A2;t}");
  ASSERT_EQ(l.runs.size(), 5u);
  EXPECT_EQ(l.runs[0].look.height, 5);
  EXPECT_EQ(l.runs[1].look.height, kH);
  EXPECT_EQ(l.runs[1].color, 1);
  // Smaller text sits on the baseline of the tallest unless \A says otherwise.
  EXPECT_DOUBLE_EQ(l.runs[0].baseline.y, -5);
  EXPECT_DOUBLE_EQ(l.runs[1].baseline.y, -5);
  EXPECT_DOUBLE_EQ(l.runs[1].baseline.x, l.runs[0].layout.advance);
  const double second = l.runs[2].baseline.y;
  EXPECT_DOUBLE_EQ(l.runs[3].baseline.y, second + kH / 2);
  EXPECT_DOUBLE_EQ(l.runs[4].baseline.y, second + kH);

  const MTextLayout styled = lay(L"\\W0.5;\\Q15;\\fArial|b1|i1;x{\\T2;ab}");
  ASSERT_EQ(styled.runs.size(), 2u);
  EXPECT_EQ(styled.runs[0].look.widthFactor, 0.5);
  EXPECT_NEAR(styled.runs[0].look.oblique, 15 * std::acos(-1.0) / 180, 1e-12);
  EXPECT_EQ(styled.runs[0].fontFamily, L"Arial");
  EXPECT_TRUE(styled.runs[0].bold && styled.runs[0].italic);
  ASSERT_TRUE(styled.runs[0].font);
  EXPECT_EQ(styled.runs[1].tracking, 2);
  EXPECT_NEAR(styled.runs[1].layout.advance, 2 * lay(L"\\W0.5;\\Q15;\\fArial|b1|i1;ab").actualWidth,
              1e-9);

  // Underline and strike-through are drawn with the run; the colour of \c is a true colour.
  const MTextLayout lines = lay(L"{\\L\\c255;under}{\\K strike}");
  ASSERT_EQ(lines.runs.size(), 2u);
  EXPECT_TRUE(lines.runs[0].underline);
  EXPECT_EQ(lines.runs[0].trueColor, 0xFF0000);
  EXPECT_FALSE(lines.runs[0].layout.decorations.empty());
  ASSERT_FALSE(lines.runs[1].layout.decorations.empty());
  EXPECT_DOUBLE_EQ(lines.runs[1].layout.decorations.back().first.y, kH / 2);

  // Tabs go to the next stop, every 4 nominal heights.
  const MTextLayout tabs = lay(L"A^IB\tC^IAAAAAAAAAA^ID");
  ASSERT_EQ(tabs.runs.size(), 5u);
  EXPECT_DOUBLE_EQ(tabs.runs[1].baseline.x, 4 * kH);
  EXPECT_DOUBLE_EQ(tabs.runs[2].baseline.x, 8 * kH);
  const MTextRun& afterLong = tabs.runs[4];
  EXPECT_GT(afterLong.baseline.x, tabs.runs[3].baseline.x + tabs.runs[3].layout.advance);
  EXPECT_NEAR(std::fmod(afterLong.baseline.x, 4 * kH), 0, 1e-9);

  // The style's width factor and oblique angle are the defaults \W and \Q change.
  MTextInput styleInput = input(L"x\\W2;y");
  styleInput.styleWidthFactor = 0.7;
  styleInput.styleOblique = 0.2;
  const MTextLayout fromStyle = layoutMText(styleInput);
  EXPECT_EQ(fromStyle.runs[0].look.widthFactor, 0.7);
  EXPECT_NEAR(fromStyle.runs[0].look.oblique, 0.2, 1e-12);
  EXPECT_EQ(fromStyle.runs[1].look.widthFactor, 2);
}

TEST(MTextLayout, StackedFractions) {
  const MTextLayout l = lay(L"1\\S1/22;");
  ASSERT_EQ(l.runs.size(), 3u);
  const MTextRun& top = l.runs[1];
  const MTextRun& bottom = l.runs[2];
  EXPECT_TRUE(top.stacked && bottom.stacked);
  EXPECT_FALSE(l.runs[0].stacked);
  EXPECT_NEAR(top.look.height, 0.7 * kH, 1e-12);
  EXPECT_NEAR(bottom.look.height, 0.7 * kH, 1e-12);
  // The line makes room for the numerator: nothing sticks out of the frame's top.
  EXPECT_LE(top.baseline.y + top.look.height, 1e-9);
  EXPECT_GT(l.actualHeight, kH + 0.2 * kH);
  // The bar runs between the parts, as wide as the wider; the narrower part is centred.
  ASSERT_EQ(l.bars.size(), 1u);
  ASSERT_EQ(l.barColors.size(), 1u);
  const auto [a, b] = l.bars[0];
  EXPECT_EQ(a.y, b.y);
  EXPECT_GT(top.baseline.y, a.y);
  EXPECT_LT(bottom.baseline.y + bottom.look.height, a.y);
  EXPECT_DOUBLE_EQ(a.x, l.runs[0].layout.advance);
  EXPECT_DOUBLE_EQ(b.x - a.x, bottom.layout.advance);
  EXPECT_NEAR(top.baseline.x + top.layout.advance / 2, (a.x + b.x) / 2, 1e-9);
  EXPECT_NEAR(l.actualWidth, b.x, 1e-9);

  const MTextLayout tolerance = lay(L"\\S+0.1^-0.25;");
  EXPECT_TRUE(tolerance.bars.empty());
  ASSERT_EQ(tolerance.runs.size(), 2u);
  EXPECT_EQ(tolerance.runs[0].baseline.x, tolerance.runs[1].baseline.x);

  const MTextLayout diagonal = lay(L"{\\C3;\\S3#4;}");
  ASSERT_EQ(diagonal.bars.size(), 1u);
  EXPECT_EQ(diagonal.barColors[0].color, 3);
  EXPECT_GT(diagonal.bars[0].second.y, diagonal.bars[0].first.y);
  EXPECT_GT(diagonal.bars[0].second.x, diagonal.bars[0].first.x);
  EXPECT_GT(diagonal.runs[0].baseline.y, diagonal.runs[1].baseline.y);
  EXPECT_LT(diagonal.runs[0].baseline.x, diagonal.runs[1].baseline.x);
}

TEST(MTextLayout, NoSizeOrContentsHangs) {
  // A quadratic step would take many minutes here, past the unit tests' time limit; a linear
  // layout takes about a second, a few under the sanitizers.
  auto words = [](std::size_t size) {
    std::wstring text(size, L'x');
    for (std::size_t i = 7; i < text.size(); i += 8) text[i] = L' ';
    return input(std::move(text), 100);
  };
  const MTextLayout wrapped = layoutMText(words(1'000'000));
  EXPECT_GT(wrapped.lineCount, 1000u);
  EXPECT_LE(wrapped.actualWidth, 100);
  MTextInput oneLine = words(1'000'000);
  oneLine.definedWidth = 0;
  EXPECT_EQ(layoutMText(oneLine).lineCount, 1u);

  std::wstring formats;
  std::size_t paragraphs = 0;
  for (; formats.size() < 200'000; ++paragraphs) formats += L"{\\H2x;\\C1;a} \\S1/2;\\P";
  EXPECT_GT(lay(formats, 3).lineCount, paragraphs);

  MTextInput huge = input(L"one two three", 1e-300);
  huge.textHeight = 1e100;
  EXPECT_EQ(layoutMText(huge).lineCount, 3u);
  std::wstring overflowing = L"\\H1e308;\\W1e308;";
  for (int i = 0; i < 10'000; ++i) overflowing += L"WWW ";
  EXPECT_TRUE(std::isfinite(lay(overflowing).actualWidth));
  EXPECT_TRUE(std::isfinite(lay(overflowing + L"\\P^Ix", 1e200).actualHeight));

  MTextInput broken = input(L"one two\\Pthree");
  broken.textHeight = std::numeric_limits<double>::quiet_NaN();
  broken.definedWidth = std::numeric_limits<double>::infinity();
  broken.lineSpacingFactor = -1;
  broken.styleWidthFactor = 0;
  broken.styleOblique = std::numeric_limits<double>::infinity();
  const MTextLayout repaired = layoutMText(broken);
  EXPECT_EQ(repaired.lineCount, 2u);
  EXPECT_TRUE(std::isfinite(repaired.actualHeight) && repaired.actualHeight > 0);
  EXPECT_TRUE(std::isfinite(repaired.actualWidth) && repaired.actualWidth > 0);
}

}  // namespace
