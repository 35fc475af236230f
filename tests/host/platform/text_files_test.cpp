// Text files and arrays as modules use them: bytes on disk in the drawing's code page with CR-LF
// line ends, lines read back whole or cut to a buffer, errors thrown as CFileException*, a
// module's own file class over the raw writes, and CArray's order and bad indexes (which must
// end the command, not the host).

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "db/header_values.h"
#include "db/new_drawing.h"
#include "editor/command_stack.h"
#include "kx/kxchars.h"
#include "kx/kxwincoll.h"
#include "kx/kxwinfile.h"
#include "support/files.h"
#include "support/sdk_fixture.h"

namespace {

namespace fs = std::filesystem;

class TextFilesTest : public kx::test::SdkTest {
 protected:
  ~TextFilesTest() override {
    kx::editor::commandStack().removeGroup(kx::editor::kHostCommandGroup);
    kx::editor::commandErrors = nullptr;
  }

  std::wstring path(const char* name) const { return (dir_ / name).wstring(); }
  void write(const char* name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string read(const char* name) const { return kx::test::readFile(dir_ / name); }

  void openWithCodePage(const wchar_t* name) {
    kx::db::Database db = kx::db::newDrawing();
    kx::db::setHeaderString(db, "$DWGCODEPAGE", 3, name);
    open(std::move(db));
  }

  std::vector<std::wstring> lines(const char* name) {
    CStdioFile file;
    EXPECT_TRUE(file.Open(path(name).c_str(), CFile::modeRead));
    std::vector<std::wstring> out;
    for (CString line; file.ReadString(line);) out.push_back(line.str());
    return out;
  }

  const kx::test::TempFolder folder_{"text-files"};
  const fs::path& dir_ = folder_.path();
};

// Runs `body`; the CFileException it throws (null when none), already freed but for its values.
template <typename Body>
std::optional<CFileException> fileError(Body body) {
  try {
    body();
  } catch (CException* e) {
    std::optional<CFileException> copy;
    if (auto* f = dynamic_cast<CFileException*>(e)) copy = *f;
    e->Delete();
    return copy;
  }
  return std::nullopt;
}

TEST_F(TextFilesTest, CodePageFollowsTheActiveDrawing) {
  openWithCodePage(L"ANSI_936");
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 936u);
  kx::editor::Document& second = open(kx::db::newDrawing());
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 1252u);
  kx::editor::Session::instance().close(second);  // the first drawing is active again
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 936u);
  openWithCodePage(L"ANSI_9999");  // a page the host does not know
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 1252u);
  openWithCodePage(L"ansi_950");
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 950u);
  kx::editor::Session::instance().closeAll();
  EXPECT_EQ(RvCharFormatter::ansiCodePage(), 1252u);
}

TEST_F(TextFilesTest, LinesRoundTripWithCrLfIn1252And936) {
  openNew();
  {
    CStdioFile file(path("west.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    file.WriteString(L"Caf\u00e9 \u2013 10\u20ac\nsecond \u4e2d");
  }
  EXPECT_EQ(read("west.txt"), "Caf\xE9 \x96 10\x80\r\nsecond ?");
  EXPECT_EQ(lines("west.txt"),
            (std::vector<std::wstring>{L"Caf\u00e9 \u2013 10\u20ac", L"second ?"}));

  openWithCodePage(L"ANSI_936");
  {
    CStdioFile file(path("gbk.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    // Not in the page: '?'. An escape is text to this class, written and read as it is.
    file.WriteString(L"\u4e2d\u6587 text\n\u0e01\\U+4E2D\n");
  }
  EXPECT_EQ(read("gbk.txt"), "\xD6\xD0\xCE\xC4 text\r\n?\\U+4E2D\r\n");
  EXPECT_EQ(lines("gbk.txt"), (std::vector<std::wstring>{L"\u4e2d\u6587 text", L"?\\U+4E2D"}));

  // A trail byte that is a backslash, and a broken character that must not eat the line end.
  RvCharFormatter::setAnsiCodePage(932);
  write("sjis.txt", "\x95\x5C\\n\r\n\x95\r\nend");
  EXPECT_EQ(lines("sjis.txt"), (std::vector<std::wstring>{L"\u8868\\n", L"\ufffd", L"end"}));
}

TEST_F(TextFilesTest, ReadStringIntoABufferKeepsTheLineEnd) {
  write("lines.txt", "ab\r\ncdef\r\n\r\nlast");
  CStdioFile file(path("lines.txt").c_str(), CFile::modeRead | CFile::shareDenyWrite);
  wchar_t buffer[10];
  ASSERT_NE(file.ReadString(buffer, 10), nullptr);
  EXPECT_STREQ(buffer, L"ab\n");
  ASSERT_NE(file.ReadString(buffer, 3), nullptr);  // cut to fit; the rest comes next
  EXPECT_STREQ(buffer, L"cd");
  ASSERT_NE(file.ReadString(buffer, 10), nullptr);
  EXPECT_STREQ(buffer, L"ef\n");
  CString line(L"stale");
  EXPECT_TRUE(file.ReadString(line));  // an empty line is still a line
  EXPECT_EQ(line, L"");
  EXPECT_TRUE(file.ReadString(line));  // the last line needs no end
  EXPECT_EQ(line, L"last");
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_EQ(file.ReadString(buffer, 10), nullptr);

  // Binary mode leaves the bytes alone.
  CStdioFile binary(path("bin.txt").c_str(),
                    CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
  binary.WriteString(L"x\ny\r\n");
  EXPECT_EQ(read("bin.txt"), "x\ny\r\n");
  binary.SeekToBegin();
  ASSERT_NE(binary.ReadString(buffer, 10), nullptr);
  EXPECT_STREQ(buffer, L"x\n");
  ASSERT_NE(binary.ReadString(buffer, 10), nullptr);
  EXPECT_STREQ(buffer, L"y\r\n");
}

TEST_F(TextFilesTest, RawAccessKeepsPositionsAcrossReadsAndWrites) {
  CFile file(path("raw.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite);
  file.Write("0123456789", 10);
  file.SeekToBegin();
  char bytes[8] = {};
  EXPECT_EQ(file.Read(bytes, 3), 3u);
  EXPECT_EQ(std::string(bytes, 3), "012");
  EXPECT_EQ(file.GetPosition(), 3u);  // not where the read-ahead stopped
  file.Write("ab", 2);
  EXPECT_EQ(file.GetLength(), 10u);
  EXPECT_EQ(file.Seek(-2, CFile::end), 8u);
  EXPECT_EQ(file.Read(bytes, 8), 2u);
  EXPECT_EQ(std::string(bytes, 2), "89");
  file.Close();
  EXPECT_EQ(read("raw.bin"), "012ab56789");

  // modeNoTruncate keeps what is there; without it the file starts empty.
  CFile keep(path("raw.bin").c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
  EXPECT_EQ(keep.GetLength(), 10u);
  keep.Close();
  CFile empty(path("raw.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
  EXPECT_EQ(empty.GetLength(), 0u);
  EXPECT_EQ(empty.GetFileName(), L"raw.bin");
}

TEST_F(TextFilesTest, FailuresAreThrownAsFileExceptions) {
  write("readonly.txt", "kept\n");
  CStdioFile reader(path("readonly.txt").c_str(), CFile::modeRead);
  auto error = fileError([&] { reader.WriteString(L"over"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->m_cause, CFileException::accessDenied);
  EXPECT_EQ(error->m_strFileName, path("readonly.txt").c_str());
  wchar_t message[200];
  EXPECT_TRUE(error->GetErrorMessage(message, 200));
  EXPECT_NE(std::wstring(message).find(L"readonly.txt"), std::wstring::npos);
  reader.Close();
  EXPECT_EQ(read("readonly.txt"), "kept\n");

  fs::permissions(dir_ / "readonly.txt", fs::perms::owner_read);
  if (geteuid() != 0) {  // the superuser may write anyway
    CFileException reason;
    CStdioFile writer;
    EXPECT_FALSE(writer.Open(path("readonly.txt").c_str(), CFile::modeWrite, &reason));
    EXPECT_EQ(reason.m_cause, CFileException::accessDenied);
  }

  // DWGPREFIX ends with a separator; a module may join a name with "\\" all the same.
  const std::wstring joined = dir_.wstring() + L"/\\readonly.txt";
  CStdioFile again;
  EXPECT_TRUE(again.Open(joined.c_str(), CFile::modeRead));
  again.Close();

  CFileException missing;
  CFile file;
  EXPECT_FALSE(file.Open(path("no/such/folder.txt").c_str(), CFile::modeRead, &missing));
  EXPECT_EQ(missing.m_cause, CFileException::fileNotFound);
  error = fileError([&] { CStdioFile thrown(path("absent.txt").c_str(), CFile::modeRead); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(dir_.wstring().c_str(), CFile::modeRead, &missing));  // a folder
  EXPECT_EQ(missing.m_cause, CFileException::accessDenied);

  bool invalid = false;
  try {
    file.Open(nullptr, CFile::modeRead);
  } catch (CException* e) {
    invalid = dynamic_cast<CInvalidArgException*>(e) != nullptr;
    e->Delete();
  }
  EXPECT_TRUE(invalid);
}

// A module's own text file class: escapes what the code page lacks and writes the bytes itself.
class EscapingFile : public CStdioFile {
 public:
  void SetFilePath(LPCWSTR path) override {
    seenPath = path;
    CStdioFile::SetFilePath(path);
  }
  void WriteString(LPCWSTR text) override {
    std::string bytes;
    for (const wchar_t* p = text; *p; ++p) {
      char one[16];
      const int n = RvCharFormatter::wcharToAnsiOrUtf8(*p, one, sizeof one, true, true, true);
      bytes.append(one, n);
    }
    CFile::Write(bytes.data(), static_cast<UINT>(bytes.size()));
  }
  CString seenPath;
};

TEST_F(TextFilesTest, ModuleSubclassWritesRawBytes) {
  EscapingFile file;
  ASSERT_TRUE(file.Open(path("escaped.txt").c_str(), CFile::modeCreate | CFile::modeWrite));
  EXPECT_EQ(file.seenPath, path("escaped.txt").c_str());
  CStdioFile& asBase = file;
  asBase.WriteString(L"A\u4e2d\n");  // CR-LF once, by the subclass; not doubled by the base
  file.Close();
  EXPECT_EQ(read("escaped.txt"), "A\\U+4E2D\r\n");
}

TEST_F(TextFilesTest, ArrayKeepsOrderAndRefusesBadIndexes) {
  CArray<int> a;
  EXPECT_EQ(a.Add(10), 0);
  EXPECT_EQ(a.Add(40), 1);
  a.InsertAt(1, 20, 2);  // 10 20 20 40
  a.InsertAt(4, 50);     // at the end
  a.SetAt(2, 30);
  ASSERT_EQ(a.GetSize(), 5);
  EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()),
            (std::vector<int>{10, 20, 30, 40, 50}));
  a.RemoveAt(1, 2);  // 10 40 50
  a.RemoveAt(0);
  EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetCount()), (std::vector<int>{40, 50}));
  a.InsertAt(4, 7);  // past the end: grows with zeros first
  a.SetAtGrow(6, 9);
  EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()),
            (std::vector<int>{40, 50, 0, 0, 7, 0, 9}));

  CArray<CString, LPCWSTR> names;
  names.Add(L"first");
  for (int i = 0; i < 40; ++i) names.Add(names[0]);  // an element of itself, while it grows
  EXPECT_EQ(names[40], L"first");

  const auto refused = [&](auto misuse) {
    try {
      misuse();
    } catch (CException* e) {
      const bool invalid = dynamic_cast<CInvalidArgException*>(e) != nullptr;
      e->Delete();
      return invalid;
    }
    return false;
  };
  EXPECT_TRUE(refused([&] { a[7]; }));
  EXPECT_TRUE(refused([&] { a.GetAt(-1); }));
  EXPECT_TRUE(refused([&] { a.RemoveAt(5, 3); }));
  EXPECT_TRUE(refused([&] { a.SetSize(-1); }));
  EXPECT_EQ(a.GetSize(), 7);

  // Escaping a command, the bad index ends that command with an error line; the host goes on.
  std::vector<std::string> errors;
  kx::editor::commandErrors = [&](std::string_view line) { errors.emplace_back(line); };
  ASSERT_EQ(kx::editor::addHostCommand(L"KXTBADINDEX", L"", 0, [&] { a.ElementAt(99) = 1; }),
            Kxad::eOk);
  EXPECT_EQ(kx::editor::runCommand(L"KXTBADINDEX").status, kx::editor::CommandRun::Status::Failed);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("kxhost: KXTBADINDEX: Invalid argument", 0), 0u) << errors[0];
}

}  // namespace
