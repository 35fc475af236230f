// MTEXT format codes: what each one changes, how braces scope them, and that whatever is not a
// finished code stays visible as text.

#include <gtest/gtest.h>

#include <string>

#include "text/mtext_parser.h"

namespace {

using kx::text::MTextFormat;
using kx::text::MTextItem;
using kx::text::MTextItemKind;
using kx::text::ParsedMText;
using kx::text::parseMText;
using kx::text::plainText;
using kx::text::StackKind;

// The characters the contents show.
std::wstring plainMTextContents(std::wstring_view contents) {
  return kx::text::plainText(kx::text::parseMText(contents));
}

// The formats of the text items, in order, for codes that apply to the characters after them.
std::vector<MTextFormat> textFormats(const ParsedMText& parsed) {
  std::vector<MTextFormat> formats;
  for (const MTextItem& item : parsed.items)
    if (item.kind == MTextItemKind::Text) formats.push_back(parsed.formats[item.format]);
  return formats;
}

std::vector<std::wstring> texts(const ParsedMText& parsed) {
  std::vector<std::wstring> result;
  for (const MTextItem& item : parsed.items)
    if (item.kind == MTextItemKind::Text) result.push_back(item.text);
  return result;
}

// The one format the contents end with, after a code and a character it applies to.
MTextFormat formatAfter(const std::wstring& codes, const MTextFormat& base = {}) {
  const ParsedMText parsed = parseMText(codes + L"x", base);
  EXPECT_EQ(plainMTextContents(codes + L"x"), L"x") << "codes shown as text";
  return parsed.formats[parsed.items.back().format];
}

TEST(MTextParser, PlainCharactersAndEscapes) {
  EXPECT_TRUE(parseMText(L"").items.empty());
  EXPECT_EQ(plainMTextContents(L"   "), L"   ");
  EXPECT_EQ(plainMTextContents(L"a\\\\b\\{c\\}d"), L"a\\b{c}d");
  // \~ keeps its identity so that lines do not break there; readers see a space.
  EXPECT_EQ(texts(parseMText(L"1\\~000")), std::vector<std::wstring>{L"1\u00A0000"});
  EXPECT_EQ(plainMTextContents(L"1\\~000"), L"1 000");
  EXPECT_EQ(plainMTextContents(L"45%%d %%P0.1 %%c20 %%z 100%"),
            L"45\u00B0 \u00B10.1 \u230020 %%z 100%");
  EXPECT_EQ(plainMTextContents(L"\\U+00C4\\U+4E2D"), L"\u00C4\u4E2D");
  EXPECT_EQ(plainMTextContents(L"a^ b"), L"a^b");
  EXPECT_EQ(plainMTextContents(L"a\x01z"), L"a z");
  EXPECT_EQ(plainMTextContents(L"{}{{}}x"), L"x");
}

TEST(MTextParser, LineBreaksAndTabs) {
  // \X and \N start a new line like \P; ^J, a line feed and a carriage return with or without a
  // line feed are one break each.
  EXPECT_EQ(plainMTextContents(L"a\\Pb\\Xc\\Nd^Je\nf\r\ng^M^Jh\ri"), L"a\nb\nc\nd\ne\nf\ng\nh\ni");
  EXPECT_EQ(plainMTextContents(L"a^Ib\tc"), L"a\tb\tc");
  const ParsedMText emptyParagraph = parseMText(L"one\\P\\Pthree");
  ASSERT_EQ(emptyParagraph.items.size(), 4u);
  EXPECT_EQ(emptyParagraph.items[1].kind, MTextItemKind::LineBreak);
  EXPECT_EQ(emptyParagraph.items[2].kind, MTextItemKind::LineBreak);
  // A break carries the format in effect, which gives an empty line its height.
  const ParsedMText tall = parseMText(L"a\\H7;\\Pb");
  EXPECT_EQ(tall.formats[tall.items[1].format].height, 7);
}

TEST(MTextParser, EachFormatCodeChangesItsOwnProperty) {
  MTextFormat base;
  base.height = 2;
  base.widthFactor = 0.8;
  EXPECT_EQ(formatAfter(L"\\H1.5x;", base).height, 3);
  EXPECT_EQ(formatAfter(L"\\H.5X;\\H3x;", base).height, 3);
  EXPECT_DOUBLE_EQ(formatAfter(L"\\W0.5x;", base).widthFactor, 0.4);
  EXPECT_EQ(formatAfter(L"\\H1e308;\\H1e10x;").height, 1e100);
  EXPECT_EQ(formatAfter(L"\\W1000;").widthFactor, 100);
  EXPECT_EQ(formatAfter(L"\\Q-20;").obliqueDegrees, -20);
  EXPECT_EQ(formatAfter(L"\\Q90;").obliqueDegrees, 85);
  EXPECT_EQ(formatAfter(L"\\T0.1;").tracking, 0.75);
  EXPECT_EQ(formatAfter(L"\\C0;").color, 0);
  // \c is stored blue-green-red: 255 is pure red.
  EXPECT_EQ(formatAfter(L"\\c255;").trueColor, 0xFF0000);
  EXPECT_EQ(formatAfter(L"\\c7528479;").trueColor, (31 << 16) | (224 << 8) | 114);
  EXPECT_EQ(formatAfter(L"\\c255;\\C3;").trueColor, -1);

  const MTextFormat arial = formatAfter(L"\\fArial|b1|i0|c0|p34;");
  EXPECT_EQ(arial.fontFamily, L"Arial");
  EXPECT_TRUE(arial.bold);
  EXPECT_FALSE(arial.italic);
  const MTextFormat shx = formatAfter(L"\\fArial|b1;\\Fromans.shx;");
  EXPECT_EQ(shx.fontFamily, L"romans.shx");
  EXPECT_FALSE(shx.bold);
  const MTextFormat times = formatAfter(L"\\FTimes New Roman|b0|i1;");
  EXPECT_TRUE(times.italic && times.fontFamily == L"Times New Roman");
  const MTextFormat upper = formatAfter(L"\\fArial|B1|I1;");  // as some writers spell them
  EXPECT_TRUE(upper.bold && upper.italic);

  const ParsedMText lines = parseMText(L"a\\Lb\\lc\\Od\\oe\\Kf\\kg\\L\\O\\Kh");
  const auto f = textFormats(lines);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_TRUE(f[1].underline && !f[2].underline);
  EXPECT_TRUE(f[3].overline && !f[4].overline);
  EXPECT_TRUE(f[5].strikeThrough && !f[6].strikeThrough);
  EXPECT_TRUE(f[7].underline && f[7].overline && f[7].strikeThrough);
  EXPECT_EQ(f[0], MTextFormat{});
  EXPECT_EQ(f[6], MTextFormat{});

  // Paragraph properties are read past.
  EXPECT_EQ(plainMTextContents(L"\\pxi-3,l3,t4;a\\pi*,l*,r*,q*,t;b"), L"ab");
}

TEST(MTextParser, BracesEndTheFormatsSetInside) {
  MTextFormat base;
  base.height = 2;
  const ParsedMText parsed = parseMText(L"a{\\H4;\\C1;b{\\Lc}d}e", base);
  EXPECT_EQ(texts(parsed), (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e"}));
  const auto f = textFormats(parsed);
  EXPECT_EQ(f[1].height, 4);
  EXPECT_EQ(f[1].color, 1);
  EXPECT_TRUE(f[2].underline);
  EXPECT_EQ(f[2].height, 4);
  EXPECT_FALSE(f[3].underline);
  EXPECT_EQ(f[3].color, 1);
  EXPECT_EQ(f[4], base);
  // Formats set outside any brace hold to the end.
  EXPECT_EQ(textFormats(parseMText(L"\\H3;a\\Pb", base)).back().height, 3);
}

TEST(MTextParser, StackedFractions) {
  const ParsedMText parsed = parseMText(L"1\\S1/2;\\SA^ B;\\S3#4;\\S+0.1^-0.2;");
  ASSERT_EQ(parsed.items.size(), 5u);
  EXPECT_EQ(parsed.items[1].kind, MTextItemKind::Stack);
  EXPECT_EQ(parsed.items[1].text, L"1");
  EXPECT_EQ(parsed.items[1].bottom, L"2");
  EXPECT_EQ(parsed.items[1].stack, StackKind::Fraction);
  EXPECT_EQ(parsed.items[2].stack, StackKind::Tolerance);
  EXPECT_EQ(parsed.items[2].text, L"A");
  EXPECT_EQ(parsed.items[2].bottom, L"B");
  EXPECT_EQ(parsed.items[3].stack, StackKind::Diagonal);
  EXPECT_EQ(parsed.items[4].text, L"+0.1");
  EXPECT_EQ(parsed.items[4].bottom, L"-0.2");
  // Escaped dividers and semicolons belong to the parts; only the first divider divides.
  const ParsedMText escaped = parseMText(L"\\Sa\\/b\\;c/d/e\\^;");
  ASSERT_EQ(escaped.items.size(), 1u);
  EXPECT_EQ(escaped.items[0].text, L"a/b;c");
  EXPECT_EQ(escaped.items[0].bottom, L"d/e^");
  // The stack takes the format in effect.
  const ParsedMText red = parseMText(L"{\\C1;\\H5;\\S1/2;}");
  EXPECT_EQ(red.formats[red.items[0].format].color, 1);
  EXPECT_EQ(red.formats[red.items[0].format].height, 5);
  EXPECT_EQ(plainMTextContents(L"\\S12;"), L"12");
}

TEST(MTextParser, UnfinishedAndUnknownCodesStayVisible) {
  for (const std::wstring text :
       {L"\\Z",      L"abc\\H", L"\\H",    L"\\Habc;", L"\\H-2;",    L"\\H0;",    L"\\W;",
        L"\\C300;",  L"\\A5;",  L"\\c-1;", L"\\S1/2",  L"\\S1/2\\Z", L"\\Farial", L"\\pxi3",
        L"\\U+12G4", L"\\U+12", L"\\",     L"%%",      L"^",         L"a^Zb",     L"\\M+C4E2D",
        L"{abc",     L"abc}",   L"}{",     L"\\Q;",    L"\\T2",      L"x\\H2.5x"}) {
    const ParsedMText parsed = parseMText(text);
    EXPECT_EQ(plainMTextContents(text), text) << "lost: " << std::string(text.begin(), text.end());
    for (const MTextItem& item : parsed.items) EXPECT_EQ(item.kind, MTextItemKind::Text);
  }
  // A closed group is still a group when a later brace is left open, and a stray closing brace
  // does not end a group that was never opened.
  const ParsedMText mixed = parseMText(L"{\\H5;a}b}c");
  EXPECT_EQ(texts(mixed), (std::vector<std::wstring>{L"a", L"b}c"}));
  EXPECT_EQ(textFormats(mixed)[0].height, 5);
  EXPECT_EQ(plainMTextContents(L"{\\H5;a}{b"), L"a{b");
  // A bad code in the middle leaves the codes after it working.
  const ParsedMText after = parseMText(L"\\Hx;\\C2;y");
  EXPECT_EQ(plainText(after), L"\\Hx;y");
  EXPECT_EQ(textFormats(after).back().color, 2);
}

// A million characters take a second at most; quadratic work would run past the unit tests' time
// limit.
TEST(MTextParser, HugeAndHostileContentsParseInLinearTime) {
  std::wstring unfinished;
  std::wstring braces;
  std::wstring formats;
  while (unfinished.size() < 1'000'000) {
    unfinished += L"\\S\\;\\^1234567\\F\\p{";
    braces += L"{{{{}";
    formats += L"{\\H2x;\\C1;a}";
  }
  const ParsedMText hostile = parseMText(unfinished);
  EXPECT_FALSE(hostile.items.empty());
  EXPECT_EQ(plainMTextContents(braces).size(), braces.size() / 5 * 3);
  const ParsedMText nested = parseMText(formats);
  EXPECT_EQ(nested.formats.size(), 2u) << "equal formats are shared";
  EXPECT_EQ(parseMText(std::wstring(1'000'000, L'{')).items.size(), 1u);
}

}  // namespace
