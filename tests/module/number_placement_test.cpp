// Where TCOUNT puts numbers: the placements on single texts and on MTEXT paragraphs, and the
// find-and-replace count.

#include "commands/edit/number_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(NumberPlacement, PlacesTheNumberAsTheUserChose) {
  EXPECT_EQ(placeNumber(L"PART", 4, NumberPlacement::kPrefix, L"").text, L"4 PART");
  EXPECT_EQ(placeNumber(L"Room", -2, NumberPlacement::kSuffix, L"").text, L"Room -2");
  EXPECT_EQ(placeNumber(L"gone", 7, NumberPlacement::kOverwrite, L"").text, L"7");

  const NumberedText found = placeNumber(L"A#B##", 12, NumberPlacement::kFindReplace, L"#");
  EXPECT_EQ(found.text, L"A12B1212");
  EXPECT_TRUE(found.replaced);
  // Case-sensitive and not overlapping.
  EXPECT_EQ(placeNumber(L"aaa", 1, NumberPlacement::kFindReplace, L"aa").text, L"1a");
  EXPECT_FALSE(placeNumber(L"ABC", 1, NumberPlacement::kFindReplace, L"b").replaced);
}

TEST(NumberPlacement, MTextParagraphsTakeOneNumberEach) {
  int paragraphs = 0;
  EXPECT_EQ(placeNumbers(L"a\\Pb", 1, 1, NumberPlacement::kSuffix, L"", paragraphs).text,
            L"a 1\\Pb 2");
  EXPECT_EQ(paragraphs, 2);
  EXPECT_EQ(
      placeNumbers(L"{\\C1;x}\\Py\\Pz", 1, 1, NumberPlacement::kOverwrite, L"", paragraphs).text,
      L"1\\P2\\P3");
  // Only an upper-case \P breaks a paragraph.
  EXPECT_EQ(placeNumbers(L"a\\pb", 5, -1, NumberPlacement::kPrefix, L"", paragraphs).text,
            L"5 a\\pb");
  const NumberedText second =
      placeNumbers(L"x\\P#", 3, 2, NumberPlacement::kFindReplace, L"#", paragraphs);
  EXPECT_EQ(second.text, L"x\\P5");
  EXPECT_TRUE(second.replaced);
  EXPECT_EQ(advanceNumber(INT_MAX, 1), INT_MIN);
}

}  // namespace
