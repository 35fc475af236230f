// Where TCOUNT puts numbers: what its cases do not spell out. The placements, MTEXT paragraphs
// taking a number each, the find-and-replace count and the counter's wrap are the TCOUNT cases'.

#include "commands/edit/number_placement.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberPlacement, FindReplaceIsCaseSensitiveAndOnlyCapitalPBreaksAParagraph) {
  // Case-sensitive and not overlapping.
  EXPECT_EQ(placeNumber(L"aaa", 1, NumberPlacement::kFindReplace, L"aa").text, L"1a");
  EXPECT_FALSE(placeNumber(L"ABC", 1, NumberPlacement::kFindReplace, L"b").replaced);
  int paragraphs = 0;
  EXPECT_EQ(placeNumbers(L"a\\pb", 5, -1, NumberPlacement::kPrefix, L"", paragraphs).text,
            L"5 a\\pb");
  EXPECT_EQ(paragraphs, 1);
}

}  // namespace
