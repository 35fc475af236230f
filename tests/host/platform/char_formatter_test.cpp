#include <gtest/gtest.h>

#include <string>
#include <string_view>

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
  // Not in 1252 and not escaped: a question mark (escapes are checked in the files ATTOUT writes).
  EXPECT_EQ(ansiOrUtf8(L'中', true, false), "?");
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

TEST(CharFormatterTest, CodePageDecodingReadsWhatTheWritersWrite) {
  CodePageGuard guard;
  const auto decode = [](UINT page, std::string_view bytes, DWORD flags = 0) {
    wchar_t out[16];
    const int n =
        MultiByteToWideChar(page, flags, bytes.data(), static_cast<int>(bytes.size()), out, 16);
    return std::wstring(out, static_cast<std::size_t>(n));
  };
  ASSERT_TRUE(RvCharFormatter::setAnsiCodePage(936));
  EXPECT_TRUE(IsDBCSLeadByteEx(CP_ACP, 0xD6));
  EXPECT_FALSE(IsDBCSLeadByteEx(CP_ACP, 'A'));
  EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0xD6));
  EXPECT_FALSE(IsDBCSLeadByteEx(CP_UTF8, 0xE4));
  EXPECT_EQ(decode(CP_ACP, "\xD6\xD0\x41"), L"中A");
  // Escapes are the writers' business, not the code page's.
  EXPECT_EQ(decode(CP_ACP, "\\U+4E2D"), L"\\U+4E2D");
  // Shift-JIS: a trail byte that is a backslash belongs to its character.
  EXPECT_EQ(decode(932, "\x95\x5C"), L"表");
  EXPECT_EQ(decode(CP_UTF8, "\xE4\xB8\xAD\xF0\x9F\x98\x80"), L"中\U0001F600");
  // A broken character: U+FFFD and the next byte read on its own, or a refusal.
  EXPECT_EQ(decode(CP_ACP, "\xD6\x7F"), L"\uFFFD\x7F");
  EXPECT_EQ(decode(CP_ACP, "A\xD6"), L"A\uFFFD");
  EXPECT_EQ(decode(CP_ACP, "A\xD6", MB_ERR_INVALID_CHARS), L"");
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0\x41", 3, nullptr, 0), 2);
  wchar_t small[1];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0\x41", 3, small, 1), 0);
  EXPECT_EQ(MultiByteToWideChar(437, 0, "A", 1, small, 1), 0);
}
