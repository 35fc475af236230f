#include "platform/chinese_mapping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kx/kxchars.h"

namespace kx::platform {
namespace {

std::wstring map(DWORD flags, const std::wstring& text) {
  std::vector<wchar_t> out(text.size() + 1, L'#');
  const int written = LCMapStringW(KX_LCID_CHINESE_SIMPLIFIED, flags, text.c_str(), -1, out.data(),
                                   static_cast<int>(out.size()));
  EXPECT_EQ(written, static_cast<int>(text.size() + 1)) << "the count includes the null";
  EXPECT_EQ(out.back(), L'\0');
  return std::wstring(out.data());
}

std::wstring traditional(const std::wstring& text) {
  return map(LCMAP_TRADITIONAL_CHINESE, text);
}
std::wstring simplified(const std::wstring& text) {
  return map(LCMAP_SIMPLIFIED_CHINESE, text);
}

TEST(ChineseMappingTest, TablesAreSortedPairsOfDifferentCharacters) {
  for (auto pairs : {simplifiedToTraditionalPairs(), traditionalToSimplifiedPairs()}) {
    // Both dictionaries hold a few thousand single characters; far fewer means the generated
    // table lost entries.
    EXPECT_GT(pairs.size(), 2500u);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      EXPECT_NE(pairs[i].from, pairs[i].to);
      if (i > 0) {
        ASSERT_LT(pairs[i - 1].from, pairs[i].from) << "at " << i;
      }
    }
  }
}

TEST(ChineseMappingTest, KnownCharactersMapBothWaysAndCommonOnesRoundTrip) {
  EXPECT_EQ(traditional(L"图层线型颜色"), L"圖層線型顏色");
  EXPECT_EQ(simplified(L"圖層線型顏色"), L"图层线型颜色");
  // 发 is 發 (to send) or 髮 (hair): without the word around it, the first candidate wins.
  EXPECT_EQ(traditional(L"发"), L"發");
  EXPECT_EQ(simplified(L"發髮"), L"发发");

  // Common characters change and come back.
  const std::wstring common =
      L"们个这来时为说国学对会发过后没么经动还种长开关见进东车马门问间书头觉"
      L"实现点机电话语让认边给应总区报场习飞风龙鸟鱼贝见页体图层线颜选删设";
  const std::wstring there = traditional(common);
  for (std::size_t i = 0; i < common.size(); ++i)
    EXPECT_NE(there[i], common[i]) << "no traditional form for character " << i;
  EXPECT_EQ(simplified(there), common);
}

TEST(ChineseMappingTest, CharactersWithoutCounterpartStayAndLengthIsKept) {
  // Latin, digits, punctuation, full-width forms, characters written the same in both forms
  // (中, 文, 人) and a character beyond the BMP without a counterpart.
  const std::wstring plain = L"Layer-01 (A/B): 中文人，。ＡＢＣ𠀀";
  EXPECT_EQ(traditional(plain), plain);
  EXPECT_EQ(simplified(plain), plain);
  EXPECT_EQ(simplified(L"漢這"), simplified(simplified(L"漢這")));
}

TEST(ChineseMappingTest, CountsBuffersAndRefusals) {
  const wchar_t* source = L"汉字";
  wchar_t out[8];
  std::fill(std::begin(out), std::end(out), L'#');

  // Destination count 0 asks for the size and writes nothing.
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, source, -1, out, 0), 3);
  EXPECT_EQ(out[0], L'#');
  // Too small: refused, nothing written.
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, source, -1, out, 2), 0);
  EXPECT_EQ(out[0], L'#');
  // An explicit count maps exactly that many characters, with no null added.
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, source, 1, out, 1), 1);
  EXPECT_EQ(out[0], L'漢');
  EXPECT_EQ(out[1], L'#');

  // Other flags, both flags, no source, an empty or negative count.
  EXPECT_EQ(LCMapStringW(0x0804, 0x00000100, source, -1, out, 8), 0);
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE | LCMAP_SIMPLIFIED_CHINESE, source, -1,
                         out, 8),
            0);
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, nullptr, -1, out, 8), 0);
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, source, 0, out, 8), 0);
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, source, -2, out, 8), 0);

  // In place.
  wchar_t text[] = L"国门";
  EXPECT_EQ(LCMapStringW(0x0804, LCMAP_TRADITIONAL_CHINESE, text, -1, text, 3), 3);
  EXPECT_EQ(std::wstring(text), L"國門");
}

}  // namespace
}  // namespace kx::platform
