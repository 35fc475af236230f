#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "support/case_fold.h"
#include "support/utf8.h"

namespace kx::support {
namespace {

// Names compare the same whatever locale the process runs in: the "C" locale folds ASCII only.
TEST(CaseFoldTest, LettersOfEveryScriptFoldAlikeInAnyLocale) {
  for (const char* locale : {"C", "C.UTF-8"}) {
    std::setlocale(LC_CTYPE, locale);
    EXPECT_EQ(upperCase(L"straße äöü ÿ ǆ"), L"STRAßE ÄÖÜ Ÿ Ǆ") << locale;
    EXPECT_EQ(lowerCase(L"ΩΜΕΓΑ ΆΈ ЖЁЛТЫЙ Ѣ Ա ＡＢ Ⅻ"), L"ωμεγα άέ жёлтый ѣ ա ａｂ ⅻ") << locale;
    EXPECT_TRUE(sameIgnoringCase(L"Ebene-Ärger", L"EBENE-äRGER"));
    EXPECT_FALSE(sameIgnoringCase(L"A1", L"A2"));
    EXPECT_EQ(toUpperCase(U'ς'), U'Σ');
    EXPECT_EQ(toUpperCase(U'ı'), U'I');
    EXPECT_TRUE(isLetter(U'中') && isLetter(U'é') && !isLetter(U'×') && !isLetter(U'7'));
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(Utf8Test, StrictRefusesWhatLenientReadsByteForByte) {
  const std::string latin1 =
      "Stra\xdf"
      "e";  // ß in Latin-1: not UTF-8
  EXPECT_FALSE(decodeUtf8Strict(latin1));
  EXPECT_EQ(decodeUtf8Lenient(latin1), L"Straße");
  EXPECT_EQ(decodeUtf8Strict("\xe4\xb8\xad\xf0\x9f\x98\x80"), std::wstring(L"中\U0001F600"));
  EXPECT_EQ(toUtf8(L"中\U0001F600"), "\xe4\xb8\xad\xf0\x9f\x98\x80");
  EXPECT_EQ(toUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(asciiPrefixLength(std::string(40, 'a') + "\xc3\xa4"), 40u);
}

}  // namespace
}  // namespace kx::support
