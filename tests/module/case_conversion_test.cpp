// The case rules users see in TCASE: format codes and braces survive, sentences and words start
// where a user expects them to.

#include "commands/edit/case_conversion.h"

#include <gtest/gtest.h>

#include "support/globals.h"

namespace {

TEST(CaseConversion, SentenceCaseCapitalisesOnlyRightAfterAPeriod) {
  EXPECT_EQ(toSentenceCase(L"hello. world"), L"Hello. world");
  EXPECT_EQ(toSentenceCase(L"hello.world"), L"Hello.World");
  EXPECT_EQ(toSentenceCase(L"{ABC. DEF}"), L"{Abc. def}");
  EXPECT_EQ(toSentenceCase(L"WAIT... WHAT"), L"Wait... what");
  // The code letter after a backslash is kept, and does not use up the capital.
  EXPECT_EQ(toSentenceCase(L"\\LABC"), L"\\LAbc");
  EXPECT_EQ(toSentenceCase(L"ABC\\"), L"Abc\\");
}

TEST(CaseConversion, TitleCaseStartsWordsAfterSpacesAndParagraphs) {
  EXPECT_EQ(toTitleCase(L"one two\\Pthree"), L"One Two\\PThree");
  EXPECT_EQ(toTitleCase(L"one-two"), L"One-two");
  EXPECT_EQ(toTitleCase(L"ONE\tTWO"), L"One\ttwo");
  // A lower-case \p is not a paragraph break.
  EXPECT_EQ(toTitleCase(L"a\\pb c"), L"A\\pb C");
  EXPECT_EQ(toTitleCase(L"{\\fArial;big} deal"), L"{\\fArial;big} Deal");
}

TEST(CaseConversion, ToggleUpperAndLowerProtectFormatCodesWhereTheyMust) {
  EXPECT_EQ(toToggleCase(L"AbC"), L"aBc");
  EXPECT_EQ(toToggleCase(L"\\Pab"), L"\\PAB");
  EXPECT_EQ(toUpperCase(L"\\Pab", true), L"\\PAB");
  EXPECT_EQ(toUpperCase(L"\\pab", false), L"\\PAB");
  EXPECT_EQ(toLowerCase(L"\\PAB\\H2.5X;", true), L"\\Pab\\H2.5x;");
  EXPECT_EQ(toLowerCase(L"\\PAB", false), L"\\pab");
  // Letters beyond ASCII follow the locale kxhost sets, which knows them.
  const kx::test::ScopedLocale utf8;
  EXPECT_EQ(toUpperCase(L"\u00e4\u0431\u00df", false), L"\u00c4\u0411\u00df");
}

}  // namespace
