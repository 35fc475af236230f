// A single-line text's characters shown by MTEXT contents: what MTEXT would read as a code is
// written so it stays a character, and the single-line codes become MTEXT's. Backslashes, braces,
// underlines and a percent sign as TXT2MTXT's cases give them are checked there.

#include "commands/convert/text_to_mtext.h"

#include <gtest/gtest.h>

namespace {

TEST(TextToMText, CharactersMTextReadsAsCodesStayCharacters) {
  EXPECT_EQ(mtextFromTextString(L"x^Jy"), L"x^ Jy");
  EXPECT_EQ(mtextFromTextString(nullptr), L"");
}

TEST(TextToMText, PercentCodesBecomeWhatMTextShowsTheSame) {
  EXPECT_EQ(mtextFromTextString(L"%%Oopen"), L"\\Oopen\\o");  // closed where the text ends
  EXPECT_EQ(mtextFromTextString(L"45%%d %%P1 %%c5"), L"45%%d %%P1 %%c5");
  EXPECT_EQ(mtextFromTextString(L"%%090%%123"), L"Z\\{");
  EXPECT_EQ(mtextFromTextString(L"%%128"), L"%%128");    // a code page character: as typed
  EXPECT_EQ(mtextFromTextString(L"%%1x5"), L"%{}%1x5");  // not three digits
  // Percent signs that would meet as a %% code in MTEXT are kept apart.
  EXPECT_EQ(mtextFromTextString(L"%%%%%d"), L"%{}%%d");
  EXPECT_EQ(mtextFromTextString(L"%%x"), L"%{}%x");
  EXPECT_EQ(mtextFromTextString(L"%%"), L"%{}%");
}

}  // namespace
