// The attribute commands' text file, written and read back in each of its encodings.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "commands/attributes/kx_stdio_file.h"
#include "kx/kxchars.h"
#include "support/files.h"

namespace {

using Encoding = KxCStdioFile::Encoding;

// A NUL character is read like any other: the buffer form holds it, and it ends no read.
TEST(KxCStdioFile, BufferReadsStopAfterTheLineFeedOrOneShortOfTheSize) {
  const kx::test::TempFolder folder("stdio-file");
  const auto path = folder.write("lines.txt", std::string("h\xC3\xA9llo\nx\0y", 10));
  KxCStdioFile file;
  ASSERT_TRUE(file.Open(path.wstring().c_str(), CFile::modeRead | CFile::typeBinary));
  file.SetEncoding(KxCStdioFile::kUtf8);
  wchar_t buffer[8] = {};
  std::wstring read;
  for (UINT size : {4u, 8u, 8u, 8u}) {
    const wchar_t* part = file.ReadString(buffer, size);
    read += part ? std::wstring(part) + L"|" : L"(end)";
  }
  EXPECT_EQ(read, L"h\u00E9l|lo\n|x|(end)");
  EXPECT_EQ(buffer[2], L'y');
}

// Escapes, sequences, surrogate pairs and byte order marks are read only where they are whole;
// CR LF is one line end. Each line read is followed by "|".
TEST(KxCStdioFile, ReadsEachEncoding) {
  const wchar_t high = 0xD83D, low = 0xDC00;
  const struct {
    Encoding encoding;
    bool mark;
    std::string bytes;
    std::wstring lines;
    unsigned codePage = 1252;
  } rows[] = {
      {KxCStdioFile::kAnsi, false, "\\u+00ff\\U+00E9\\U+00aA", L"\u00FF\u00E9\u00AA|"},
      {KxCStdioFile::kAnsi, false, "\\U-0041 \\U+00G1 \\U+0041\\U+0042\nx",
       L"\\U-0041 \\U+00G1 AB|x|"},
      {KxCStdioFile::kAnsi, false, "\\U+D83D\\U+DE00", L"\U0001F600|"},
      {KxCStdioFile::kAnsi,
       false,
       "\\U+D83D\\U+0041\\U+0041\\U+DC00",
       {high, L'A', L'A', low, L'|'}},
      {KxCStdioFile::kAnsi, false, "\\U+0000\\", {L'\0', L'\\', L'|'}},
      // A lead byte that the next byte cannot follow is one broken character: the line end
      // after it still ends the line.
      {KxCStdioFile::kAnsi, false, "a\x81\nb\xB0\xA1", L"a\uFFFD|b\u554A|", 936},
      {KxCStdioFile::kUtf8, false, "\xF0\x9F\x98\x80\xE0\xA4\x85\xC2\xA9\x80\xC0\xAF",
       L"\U0001F600\u0905\u00A9\uFFFD\uFFFD\uFFFD|"},
      {KxCStdioFile::kUtf8, false, std::string("a\0b\xC3", 4), {L'a', L'\0', L'b', 0xFFFD, L'|'}},
      {KxCStdioFile::kUtf16LittleEndian, false, std::string("a\0\r\0\n\0b\0\r\0c", 11), L"a|b\r|"},
      {KxCStdioFile::kUtf16BigEndian,
       false,
       std::string("\0a\0\r\0\n\xD8\x3D\0A\0\r\0c", 14),
       {L'a', L'|', high, L'A', L'\r', L'c', L'|'}},
      // Not marks: these ANSI files start with þ, ï», ÿ or end ¿.
      {KxCStdioFile::kAnsi, true,
       "\xFE"
       "a\xFF",
       L"\u00FEa\u00FF|"},
      {KxCStdioFile::kAnsi, true,
       "\xEF\xBB"
       "a",
       L"\u00EF\u00BBa|"},
      {KxCStdioFile::kAnsi, true, "ab\xBF", L"ab\u00BF|"},
      {KxCStdioFile::kAnsi, true,
       "\xFF"
       "a\xFE",
       L"\u00FFa\u00FE|"},
      {KxCStdioFile::kAnsi, true, std::string("\xFE\xFF\0A", 4), L"A|"},
      {KxCStdioFile::kAnsi, true,
       std::string("\xFF\xFE"
                   "A\0",
                   4),
       L"A|"},
      {KxCStdioFile::kAnsi, true, "\xEF\xBB\xBF\xC3\xA9", L"\u00E9|"},
  };
  const kx::test::TempFolder folder("stdio-file");
  const unsigned saved = RvCharFormatter::ansiCodePage();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    RvCharFormatter::setAnsiCodePage(row.codePage);
    KxCStdioFile file;
    EXPECT_TRUE(file.Open(folder.write("in.txt", row.bytes).wstring().c_str(),
                          CFile::modeRead | CFile::typeBinary));
    file.SetEncoding(row.encoding);
    file.SetCrLf(true);
    if (row.mark) file.ReadByteOrderMark();
    std::wstring read;
    for (CStringW line; file.ReadString(line);)
      read += std::wstring(line.GetString(), static_cast<std::size_t>(line.GetLength())) + L"|";
    EXPECT_EQ(read, row.lines);
  }
  RvCharFormatter::setAnsiCodePage(saved);
}

// Each text goes out unbuffered, through a buffer that takes many characters, and through one
// too small for the longest character (the bytes after its capacity must stay untouched).
TEST(KxCStdioFile, WritesEachEncodingWithOrWithoutABuffer) {
  const struct {
    Encoding encoding;
    std::wstring text;
    std::string bytes;
  } rows[] = {
      {KxCStdioFile::kUtf8, L"\u00E9\U0001F600", "\xC3\xA9\xF0\x9F\x98\x80"},
      // A backslash is escaped only where it would read back as the start of an escape.
      {KxCStdioFile::kAnsi, L"\\U+0041 \\U+00G1 \\U+00", "\\U+005CU+0041 \\U+00G1 \\U+00"},
      {KxCStdioFile::kAnsi, L"\U0001F600", "\\U+D83D\\U+DE00"},
      {KxCStdioFile::kUtf16LittleEndian, L"a\nb", std::string("a\0\r\0\n\0b\0", 8)},
      {KxCStdioFile::kUtf16BigEndian, L"a\nb", std::string("\0a\0\r\0\n\0b", 8)},
  };
  const kx::test::TempFolder folder("stdio-file");
  for (const auto& row : rows) {
    for (const std::uint32_t capacity : {0u, 64u, 8u}) {
      SCOPED_TRACE(testing::Message() << row.bytes << ", buffer of " << capacity);
      char buffer[80];
      std::fill(std::begin(buffer), std::end(buffer), 'G');
      const auto path = folder / "out.txt";
      KxCStdioFile out;
      ASSERT_TRUE(out.Open(path.wstring().c_str(),
                           CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
      out.SetEncoding(row.encoding);
      out.SetCrLf(true);
      if (capacity) out.AttachWriteBuffer(buffer, capacity);
      out.WriteString(row.text.c_str());
      out.Close();
      EXPECT_EQ(kx::test::readFile(path), row.bytes);
      EXPECT_EQ(std::count(buffer + capacity, std::end(buffer), 'G'),
                std::end(buffer) - buffer - capacity);
    }
  }
}

}  // namespace
