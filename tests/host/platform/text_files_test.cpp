// Text files and arrays as modules use them: the code page that follows the active drawing,
// errors thrown as CFileException*, and CArray's order and bad indexes (which must end the
// command, not the host). What a module writes and reads through its own file class is checked
// byte for byte by the attribute exchange cases.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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
using kx::test::refusedAsInvalid;
using kx::test::thrownAs;

class TextFilesTest : public kx::test::SdkTest {
 protected:
  ~TextFilesTest() override {
    kx::editor::commandStack().removeGroup(kx::editor::kHostCommandGroup);
    kx::editor::commandErrors = nullptr;
  }

  std::wstring path(const char* name) const { return (dir_ / name).wstring(); }

  void openWithCodePage(const wchar_t* name) {
    kx::db::Database db = kx::db::newDrawing();
    kx::db::setHeaderString(db, "$DWGCODEPAGE", 3, name);
    open(std::move(db));
  }

  const kx::test::TempFolder folder_{"text-files"};
  const fs::path& dir_ = folder_.path();
};

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

TEST_F(TextFilesTest, FailuresAreThrownAsFileExceptions) {
  folder_.write("readonly.txt", "kept\n");
  CStdioFile reader(path("readonly.txt").c_str(), CFile::modeRead);
  auto error = thrownAs<CFileException>([&] { reader.WriteString(L"over"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->m_cause, CFileException::accessDenied);
  EXPECT_EQ(error->m_strFileName, path("readonly.txt").c_str());
  wchar_t message[200];
  EXPECT_TRUE(error->GetErrorMessage(message, 200));
  EXPECT_NE(std::wstring(message).find(L"readonly.txt"), std::wstring::npos);
  reader.Close();
  EXPECT_EQ(kx::test::readFile(dir_ / "readonly.txt"), "kept\n");

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
  error = thrownAs<CFileException>(
      [&] { CStdioFile thrown(path("absent.txt").c_str(), CFile::modeRead); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(dir_.wstring().c_str(), CFile::modeRead, &missing));  // a folder
  EXPECT_EQ(missing.m_cause, CFileException::accessDenied);

  EXPECT_TRUE(refusedAsInvalid([&] { file.Open(nullptr, CFile::modeRead); }));
}

TEST_F(TextFilesTest, ArrayKeepsOrderAndRefusesBadIndexes) {
  CArray<int> a;
  EXPECT_EQ(a.Add(10), 0);
  EXPECT_EQ(a.Add(40), 1);
  a.SetAtGrow(4, 9);  // grows with zeros first
  a.SetAtGrow(1, 20);
  ASSERT_EQ(a.GetSize(), 5);
  EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()),
            (std::vector<int>{10, 20, 0, 0, 9}));
  a.SetSize(2);
  EXPECT_EQ(std::vector<int>(a.GetData(), a.GetData() + a.GetSize()), (std::vector<int>{10, 20}));

  CArray<CString, LPCWSTR> names;
  names.Add(L"first");
  for (int i = 1; i <= 40; ++i) names.SetAtGrow(i, names[0]);  // its own element, while it grows
  EXPECT_EQ(names[40], L"first");

  EXPECT_TRUE(refusedAsInvalid([&] { a[2]; }));
  EXPECT_TRUE(refusedAsInvalid([&] { a[-1]; }));
  EXPECT_TRUE(refusedAsInvalid([&] { a.SetAtGrow(-1, 0); }));
  EXPECT_TRUE(refusedAsInvalid([&] { a.SetSize(-1); }));
  EXPECT_EQ(a.GetSize(), 2);

  // Escaping a command, the bad index ends that command with an error line; the host goes on.
  std::vector<std::string> errors;
  kx::editor::commandErrors = [&](std::string_view line) { errors.emplace_back(line); };
  ASSERT_EQ(kx::editor::addHostCommand(L"KXTBADINDEX", L"", 0, [&] { a[99] = 1; }), Kxad::eOk);
  EXPECT_EQ(kx::editor::runCommand(L"KXTBADINDEX").status, kx::editor::CommandRun::Status::Failed);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("kxhost: KXTBADINDEX: Invalid argument", 0), 0u) << errors[0];
}

}  // namespace
