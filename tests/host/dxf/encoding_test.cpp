#include "dxf/encoding.h"
#include "support/utf8.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace kx::dxf {
namespace {

using enum CodePage;

const CodePage kAllPages[] = {Utf8,    Ansi1252, Ansi936,  Ansi950,
                              Ansi932, Ansi949,  Ansi1250, Ansi1251};

std::string bytes(std::initializer_list<unsigned> list) {
  std::string s;
  for (unsigned b : list) s.push_back(static_cast<char>(b));
  return s;
}

// The characters each page's bytes stand for. Pages that hold every character once round-trip
// byte for byte (checked below), so for them decoding right means encoding right too.
TEST(TextCodecTest, EachPageReadsAndWritesItsCharacters) {
  struct Case {
    CodePage page;
    std::string bytes;
    std::wstring text;
  };
  const Case decoded[] = {
      {Ansi936, "A-\xD6\xD0\xCE\xC4\xCD\xBC\xB2\xE3-1", L"A-中文图层-1"},
      {Ansi936, "\x80", L"€"},
      {Ansi950, "\xA4\xA4\xA4\xE5", L"中文"},
      {Ansi932, bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0x95, 0x5C, 0xB1}), L"日本語表ｱ"},
      // The second byte of 表 is a backslash; it must not start an escape.
      {Ansi932, "\x95\\U+0041", L"表U+0041"},
      // Characters held twice (NEC and IBM rows) all read.
      {Ansi932, "\xEE\xEF\xFA\x40\xFA\x4A\x87\x54", L"ⅰⅰⅠⅠ"},
      {Ansi949, "\xC7\xD1\xB1\xB9\xBE\xEE\x8C\x63", L"한국어똠"},
      {Ansi1252, "Caf\xE9 \x80\x8A\x9F", L"Café €ŠŸ"},
      // Unassigned bytes are kept, not turned into U+FFFD.
      {Ansi1252, "\x81\x9D", L"\u0081\u009D"},
      {Ansi1250, "\xF5\xA3", L"őŁ"},
      {Ansi1251, "\xC6\xB8", L"Жё"},
  };
  for (const Case& c : decoded)
    EXPECT_EQ(TextCodec(c.page).decode(c.bytes), c.text) << codePageName(c.page);
  const Case encoded[] = {
      {Ansi936, "\x88\x44", L"圖"},
      {Ansi950, "\xA4\xA4\xA4\xE5\xA3\xE1", L"中文€"},
      // The simplified form is not in Big5.
      {Ansi950, "\\U+56FE", L"图"},
      // Of characters held twice, the usual row is written.
      {Ansi932, "\xFA\x40\x87\x54\x81\xCA", L"ⅰⅠ￢"},
  };
  for (const Case& c : encoded)
    EXPECT_EQ(TextCodec(c.page).encode(c.text), c.bytes) << codePageName(c.page);
}

// Every character of every page goes through encode and decode unchanged, and the bytes of a
// character come back the same unless the page holds that character twice.
TEST(TextCodecTest, EveryCharacterOfEveryPageRoundTrips) {
  struct Expectation {
    CodePage page;
    int minCharacters;
    int maxDuplicates;
  };
  for (const auto& [page, minCharacters, maxDuplicates] :
       {Expectation{Ansi1252, 128, 0}, Expectation{Ansi1250, 128, 0}, Expectation{Ansi1251, 128, 0},
        Expectation{Ansi936, 21000, 0}, Expectation{Ansi950, 13000, 20},
        Expectation{Ansi932, 7000, 400}, Expectation{Ansi949, 17000, 0}}) {
    SCOPED_TRACE(std::string(codePageName(page)));
    const TextCodec codec(page);
    std::vector<std::string> candidates;
    for (unsigned a = 0x80; a < 0x100; ++a) {
      candidates.push_back(bytes({a}));
      for (unsigned b = 0; b < 0x100; ++b) candidates.push_back(bytes({a, b}));
    }
    int characters = 0;
    int duplicates = 0;
    for (const std::string& x : candidates) {
      const std::wstring w = codec.decode(x);
      if (w.size() != 1 || w[0] == L'\uFFFD') continue;
      ++characters;
      const std::string back = codec.encode(w);
      ASSERT_EQ(codec.decode(back), w) << std::hex << static_cast<unsigned>(w[0]);
      ASSERT_LE(back.size(), 2u) << std::hex << static_cast<unsigned>(w[0]);
      if (back != x) ++duplicates;
    }
    EXPECT_GE(characters, minCharacters);
    EXPECT_LE(duplicates, maxDuplicates);
  }
}

TEST(TextCodecTest, UnicodeAndMultibyteEscapes) {
  for (CodePage page : kAllPages) {
    SCOPED_TRACE(std::string(codePageName(page)));
    const TextCodec codec(page);
    // Exactly four digits (a digit after them is text); a surrogate pair is one character.
    EXPECT_EQ(codec.decode("\\U+4E2D\\U+6587x\\U+4e2dy\\U+00410\\U+D83D\\U+DE00!"),
              L"中文x中yA0😀!");
    // \M+ of any page, whatever the codec's own page.
    EXPECT_EQ(codec.decode("\\M+193FA\\M+2A4A4\\M+3C7D1\\M+4D065\\M+5D6D0\\M+5cec4"),
              L"日中한한中文");
  }
}

TEST(TextCodecTest, MalformedEscapesStayAsText) {
  const TextCodec codec(Ansi936);
  for (const char* text :
       {"\\U+12", "\\U+12G4", "\\U+", "\\", "a\\", "\\u+0041", "\\U0041", "\\M+6D6D0", "\\M+0D6D0",
        "\\M+1", "\\M+1FFFF", "\\U+D83D", "\\U+DE00", "\\U+D83D\\U+D83D", "\\P\\fArial;"}) {
    EXPECT_EQ(codec.decode(text), std::wstring(text, text + std::char_traits<char>::length(text)))
        << text;
  }
  EXPECT_EQ(codec.decode("\\U+D83D\\U+0041"), L"\\U+D83DA");
}

TEST(TextCodecTest, EncodeEscapesWhatThePageCannotHold) {
  const TextCodec gbk(Ansi936);
  EXPECT_EQ(gbk.encode(L"中한Ж"), "\xD6\xD0\\U+D55C\xA7\xA8");
  EXPECT_EQ(gbk.encode(L"😀"), "\\U+D83D\\U+DE00");

  const TextCodec utf8(Utf8);
  EXPECT_EQ(utf8.encode(L"é中😀"), "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");

  // Not characters: a lone surrogate and a value beyond Unicode.
  const std::wstring broken{L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
  EXPECT_EQ(gbk.encode(broken), "a\\U+FFFD\\U+FFFD");
  EXPECT_EQ(utf8.encode(broken), "a\xEF\xBF\xBD\xEF\xBF\xBD");

  // A backslash is one byte, unless it would be read as the start of an escape.
  EXPECT_EQ(gbk.encode(L"C:\\dwg\\P\\U+12"), "C:\\dwg\\P\\U+12");
  EXPECT_EQ(gbk.encode(L"\\U+0041"), "\\U+005CU+0041");
  EXPECT_EQ(gbk.decode(gbk.encode(L"\\U+0041\\M+193FA")), L"\\U+0041\\M+193FA");
}

TEST(TextCodecTest, RandomTextRoundTripsThroughEveryPage) {
  const std::wstring alphabet =
      L"aZ09 \\\\\\UUMM+++15DdFfe8é€ŠŸЖёőŁ中文图層圖日本語表ｱⅰ①한국똠\uFFFD\u0081😀🀄𠀋";
  std::mt19937 rng(12345);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 24);
  for (CodePage page : kAllPages) {
    const TextCodec codec(page);
    for (int i = 0; i < 3000; ++i) {
      std::wstring w;
      for (int n = length(rng); n > 0; --n) w.push_back(alphabet[pick(rng)]);
      ASSERT_EQ(codec.decode(codec.encode(w)), w) << codePageName(page) << " " << i;
    }
  }
}

TEST(TextCodecTest, InvalidBytesBecomeReplacementCharacters) {
  const TextCodec gbk(Ansi936);
  EXPECT_EQ(gbk.decode("A\xD6"), L"A\uFFFD");
  // 0x20 cannot follow a lead byte.
  EXPECT_EQ(gbk.decode("\xD6 A\xFF"), L"\uFFFD A\uFFFD");
  const TextCodec sjis(Ansi932);
  // A lead byte with an unassigned trail; the ASCII trail is read again on its own.
  EXPECT_EQ(sjis.decode("\x85\x40\xA0"), L"\uFFFD@\uFFFD");
  EXPECT_EQ(sjis.decode("\x85\\U+0041"),
            L"\uFFFD"
            L"A");

  const TextCodec utf8(Utf8);
  EXPECT_EQ(utf8.decode("\xC0\xAF"), L"\uFFFD\uFFFD");
  EXPECT_EQ(utf8.decode("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(utf8.decode("\xE4\xB8"
                        "A"),
            L"\uFFFD"
            L"A");
  EXPECT_EQ(utf8.decode("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(utf8.decode("\xE4\xB8"), L"\uFFFD");

  // Random bytes never crash or read past the end (run under the sanitizers).
  std::mt19937 rng(7);
  const std::string pool = "\\\\UM+15AF0\x80\x81\x95\xA4\xC7\xD6\xE4\xED\xF0\xF4\xFA\xFF";
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  std::uniform_int_distribution<int> length(0, 16);
  for (CodePage page : kAllPages) {
    const TextCodec codec(page);
    for (int i = 0; i < 2000; ++i) {
      std::string x;
      for (int n = length(rng); n > 0; --n) x.push_back(pool[pick(rng)]);
      const std::wstring w = codec.decode(x);
      ASSERT_LE(w.size(), x.size());
      ASSERT_EQ(codec.decode(codec.encode(w)), w);
    }
  }
}

TEST(EncodingTest, StrictUtf8Validation) {
  const std::string ascii(37, 'x');
  for (const std::string& good :
       {std::string(), ascii, ascii + "中文", std::string("\xF4\x8F\xBF\xBF"),
        std::string("\xEF\xBF\xBD"), std::string("\xF0\x9F\x98\x80") + ascii}) {
    EXPECT_TRUE(kx::support::isValidUtf8(good)) << good;
  }
  for (const std::string& bad :
       {std::string("\xC0\xAF"), std::string("\xC1\xBF"), std::string("\xE0\x80\xAF"),
        std::string("\xF0\x80\x80\xAF"), std::string("\xED\xA0\x80"), std::string("\xED\xBF\xBF"),
        std::string("\xF4\x90\x80\x80"), std::string("\xF5\x80\x80\x80"), std::string("\x80"),
        ascii + "\xE4\xB8", ascii + "\xC3", std::string("\xE4\xB8\xADx\xBF")}) {
    EXPECT_FALSE(kx::support::isValidUtf8(bad)) << bad;
  }
  // A single high byte anywhere in blocks of every length.
  for (std::size_t size = 1; size <= 70; ++size) {
    std::string s(size, 'a');
    for (std::size_t i = 0; i < size; ++i) {
      s[i] = '\xE9';
      EXPECT_FALSE(kx::support::isValidUtf8(s)) << size << " " << i;
      s[i] = 'a';
    }
  }
}

TEST(EncodingTest, DetectsTheRealEncodingOfADrawing) {
  const std::string asciiPart(100, 'L');
  const std::string utf8Chinese = asciiPart + "\xE5\x9B\xBE\xE5\xB1\x82 \xE4\xB8\xAD\xE6\x96\x87";
  const std::string gbkChinese = asciiPart + "\xCD\xBC\xB2\xE3 \xD6\xD0\xCE\xC4";
  EXPECT_EQ(detectRealEncoding(Ansi936, Ansi1252, utf8Chinese), Utf8);
  EXPECT_EQ(detectRealEncoding(Utf8, Ansi936, gbkChinese), Ansi936);
  EXPECT_EQ(detectRealEncoding(Ansi936, Ansi1252, gbkChinese), Ansi936);
  EXPECT_EQ(detectRealEncoding(Utf8, Ansi936, utf8Chinese), Utf8);
  EXPECT_EQ(detectRealEncoding(Ansi950, Ansi1252, asciiPart), Ansi950);
  EXPECT_EQ(detectRealEncoding(Ansi1252, Ansi1252, "Caf\xE9"), Ansi1252);
}

TEST(EncodingTest, CodePageNames) {
  for (CodePage page : kAllPages) EXPECT_EQ(codePageFromName(codePageName(page)), page);
  EXPECT_EQ(codePageFromName("ansi_936"), Ansi936);
  EXPECT_EQ(codePageFromName("utf8"), Utf8);
  EXPECT_EQ(codePageFromName("Utf-8"), Utf8);
  EXPECT_EQ(codePageFromName("ANSI_874"), std::nullopt);
  EXPECT_EQ(codePageFromName("ANSI_12520"), std::nullopt);
  EXPECT_EQ(codePageFromName(""), std::nullopt);
}

}  // namespace
}  // namespace kx::dxf
