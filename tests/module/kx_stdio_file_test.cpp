// The attribute commands' text file read back into a caller's buffer, a line or a part of one at a
// time.

#include <gtest/gtest.h>

#include <string>

#include "commands/attributes/kx_stdio_file.h"
#include "kx/kxchars.h"
#include "support/files.h"

namespace {

TEST(KxCStdioFile, BufferReadsStopAfterTheLineFeedOrOneShortOfTheSize) {
  const kx::test::TempFolder folder("stdio-file");
  const auto path = folder.write("lines.txt", "h\xC3\xA9llo\nx");
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
}

// In a double-byte code page, a lead byte that the next byte cannot follow is one broken
// character: the line end after it still ends the line.
TEST(KxCStdioFile, ABrokenDoubleByteCharacterKeepsTheLineEnd) {
  const kx::test::TempFolder folder("stdio-file");
  const auto path = folder.write("gbk.txt", "a\x81\nb");
  KxCStdioFile file;
  ASSERT_TRUE(file.Open(path.wstring().c_str(), CFile::modeRead | CFile::typeBinary));
  const unsigned saved = RvCharFormatter::ansiCodePage();
  RvCharFormatter::setAnsiCodePage(936);
  wchar_t buffer[8] = {};
  const std::wstring line = file.ReadString(buffer, 8);
  RvCharFormatter::setAnsiCodePage(saved);
  EXPECT_EQ(line, L"a\uFFFD\n");
}

TEST(KxCStdioFile, CrLfIsOneLineFeedInEitherByteOrderWrittenAndRead) {
  const kx::test::TempFolder folder("stdio-file");
  for (const bool little : {true, false}) {
    SCOPED_TRACE(little);
    const auto encoding = little ? KxCStdioFile::kUtf16LittleEndian : KxCStdioFile::kUtf16BigEndian;
    const auto path = folder / "wide.txt";
    KxCStdioFile out;
    ASSERT_TRUE(
        out.Open(path.wstring().c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    out.SetEncoding(encoding);
    out.SetCrLf(true);
    out.WriteString(L"a\nb");
    out.Close();
    EXPECT_EQ(kx::test::readFile(path),
              little ? std::string("a\0\r\0\n\0b\0", 8) : std::string("\0a\0\r\0\n\0b", 8));
    KxCStdioFile file;
    ASSERT_TRUE(file.Open(path.wstring().c_str(), CFile::modeRead | CFile::typeBinary));
    file.SetEncoding(encoding);
    file.SetCrLf(true);
    CStringW line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::wstring(line.GetString()), L"a");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::wstring(line.GetString()), L"b");
  }
}

}  // namespace
