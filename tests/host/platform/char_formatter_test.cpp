#include <gtest/gtest.h>

#include <string>

#include "kx/kxchars.h"

namespace {

std::string ansiOrUtf8(wchar_t c, bool ansi, bool escape = false, bool crlf = false) {
  char out[32];
  const int n = RvCharFormatter::wcharToAnsiOrUtf8(c, out, sizeof out, ansi, escape, crlf);
  return std::string(out, n);
}

std::string utf16(wchar_t c, bool littleEndian, bool crlf = false) {
  char out[8];
  const int n = RvCharFormatter::wcharToUtf16(c, out, sizeof out, littleEndian, crlf);
  return std::string(out, n);
}

// Restores the process-wide code page however a test ends.
class CodePageGuard {
 public:
  CodePageGuard() : saved_(RvCharFormatter::ansiCodePage()) {}
  ~CodePageGuard() { RvCharFormatter::setAnsiCodePage(saved_); }

 private:
  unsigned saved_;
};

TEST(CharFormatterTest, AnsiUsesTheProcessCodePage) {
  CodePageGuard guard;
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 1252u);
  EXPECT_EQ(ansiOrUtf8(L'\\', true, true), "\\");  // ASCII as it is, even when escaping
  EXPECT_EQ(ansiOrUtf8(L'€', true), "\x80");
  // Not in 1252: an escape, or a question mark.
  EXPECT_EQ(ansiOrUtf8(L'中', true, true), "\\U+4E2D");
  EXPECT_EQ(ansiOrUtf8(L'中', true, false), "?");
  EXPECT_EQ(ansiOrUtf8(L'\U0001F600', true, true), "\\U+D83D\\U+DE00");

  ASSERT_TRUE(RvCharFormatter::setAnsiCodePage(936));
  EXPECT_EQ(ansiOrUtf8(L'中', true), "\xD6\xD0");
  ASSERT_TRUE(RvCharFormatter::setAnsiCodePage(1251));
  EXPECT_EQ(ansiOrUtf8(L'Ж', true), "\xC6");

  EXPECT_FALSE(RvCharFormatter::setAnsiCodePage(437));
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 1251u);
}

TEST(CharFormatterTest, CrlfAndCapacity) {
  EXPECT_EQ(ansiOrUtf8(L'\n', true, false, true), "\r\n");
  EXPECT_EQ(ansiOrUtf8(L'\n', false, false, true), "\r\n");
  EXPECT_EQ(ansiOrUtf8(L'\n', false, false, false), "\n");
  EXPECT_EQ(utf16(L'\n', true, true), std::string("\r\0\n\0", 4));
  EXPECT_EQ(utf16(L'\n', false, true), std::string("\0\r\0\n", 4));

  // A sequence that does not fit is not cut: nothing is written.
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(RvCharFormatter::wcharToAnsiOrUtf8(L'中', out, 2, false, false, false), 0);
  EXPECT_EQ(RvCharFormatter::wcharToAnsiOrUtf8(L'\n', out, 1, true, false, true), 0);
  EXPECT_EQ(RvCharFormatter::wcharToAnsiOrUtf8(L'中', out, 6, true, true, false), 0);
  EXPECT_EQ(RvCharFormatter::wcharToUtf16(L'\U0001F600', out, 3, true, false), 0);
  EXPECT_EQ(out[0], '#');
  EXPECT_EQ(RvCharFormatter::wcharToAnsiOrUtf8(L'A', nullptr, 4, true, false, false), 0);
  EXPECT_EQ(RvCharFormatter::wcharToAnsiOrUtf8(L'中', out, 3, false, false, false), 3);
}

TEST(CharFormatterTest, Utf8AndUtf16ByteOrderAndSurrogatePairs) {
  // UTF-8 of two to four bytes.
  EXPECT_EQ(ansiOrUtf8(L'é', false), "\xC3\xA9");
  EXPECT_EQ(ansiOrUtf8(L'中', false, true), "\xE4\xB8\xAD");
  EXPECT_EQ(ansiOrUtf8(L'\U0001F600', false), "\xF0\x9F\x98\x80");
  // A lone surrogate is not a character.
  EXPECT_EQ(ansiOrUtf8(static_cast<wchar_t>(0xD800), false), "\xEF\xBF\xBD");
  // UTF-16 in either byte order, a pair of surrogates beyond the BMP.
  EXPECT_EQ(utf16(L'A', true), std::string("A\0", 2));
  EXPECT_EQ(utf16(L'A', false), std::string("\0A", 2));
  EXPECT_EQ(utf16(L'\U0001F600', true), std::string("\x3D\xD8\x00\xDE", 4));
  EXPECT_EQ(utf16(L'\U0001F600', false), std::string("\xD8\x3D\xDE\x00", 4));
  EXPECT_EQ(utf16(L'\U0010FFFF', false), "\xDB\xFF\xDF\xFF");
  EXPECT_EQ(utf16(static_cast<wchar_t>(0x110000), true), "\xFD\xFF");
}

}  // namespace
