// The file navigation dialog as prompts: default names, file types from the extension or by
// number, files that must exist, folders that must exist, and cancelling.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/input_source.h"
#include "editor/prompts.h"
#include "kx/kxfiledlg.h"
#include "support/sdk_fixture.h"

namespace {

namespace fs = std::filesystem;
using kx::editor::InputSource;
using kx::editor::Prompter;

constexpr wchar_t kFilters[] = L"text files(*.txt)|CSV files(*.csv;*.tsv)";

class FileDialogTest : public kx::test::SdkTest {
 protected:
  FileDialogTest() {
    InputSource::instance().reset();
    Prompter::instance().reset();
    dir = fs::temp_directory_path() /
          ("kx-filedlg-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "notes.txt") << "x";
    std::ofstream(dir / "table.csv") << "x";
    previousDir = fs::current_path();
    fs::current_path(dir);
  }
  ~FileDialogTest() override {
    fs::current_path(previousDir);
    fs::remove_all(dir);
    InputSource::instance().reset();
  }
  void replies(std::initializer_list<const wchar_t*> lines) {
    for (const wchar_t* line : lines) InputSource::instance().queue(line);
  }
  // Runs the dialog; the path chosen, or "" when it did not return KXRT_NORM.
  std::wstring choose(const wchar_t* defaultName, int flags, const wchar_t* filters = kFilters) {
    resbuf result{};
    index = -1;
    status = getUlmInterfaces()->getIOManagerInterface()->showFileNavigationDialog(
        L"Export texts", defaultName, L"txt;csv", flags, &result, 100, filters, 0, &index, 0, 0);
    if (status != KXRT_NORM) return L"";
    EXPECT_EQ(result.code, KXRT_STR);
    std::wstring path = result.value.string ? result.value.string : L"";
    kxutDelBuffer(&result.value.string);
    return path;
  }
  std::wstring in(const char* name) const { return (dir / name).wstring(); }
  int count(std::wstring_view text) const {
    int n = 0;
    for (auto at = printed.find(text); at != std::wstring::npos; at = printed.find(text, at + 1))
      ++n;
    return n;
  }

  fs::path dir, previousDir;
  int status = 0;
  int index = -1;
};

TEST_F(FileDialogTest, SavingTakesTheDefaultNameAndTheTypeItsExtensionNames) {
  replies({L"", L""});
  EXPECT_EQ(choose(L"texts.csv", KX_FILENAV_SAVE), in("texts.csv"));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(printed,
            L"Export texts <texts.csv>: \n"
            L"File type [1 text files(*.txt) / 2 CSV files(*.csv;*.tsv)] <2>: \n");

  // Any of a filter's patterns counts; a name no filter takes proposes the first.
  replies({L"out.TSV", L""});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE), in("out.TSV"));
  EXPECT_EQ(index, 1);
  replies({L"sub/out.dat", L""});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE), in("sub/out.dat"));
  EXPECT_EQ(index, 0);
}

TEST_F(FileDialogTest, TheTypeByNumberGivesANameWithoutExtensionItsExtension) {
  replies({L"report", L"3", L"x", L"2"});
  EXPECT_EQ(choose(L"texts.txt", KX_FILENAV_SAVE), in("report.csv"));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(count(L"Enter a number from 1 to 2.\n"), 2);

  // Without filters only the path is asked; the first default extension is added.
  InputSource::instance().queue(L"\"" + (dir / "sub" / "plain").wstring() + L"\"");
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE, nullptr), in("sub/plain.txt"));
  EXPECT_EQ(index, 0);

  // Filters written as pairs of description and patterns.
  replies({L"list", L"2"});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE, L"Text (*.txt)|*.txt|Comma separated|*.csv||"),
            in("list.csv"));
  EXPECT_NE(printed.find(L"File type [1 Text (*.txt) / 2 Comma separated] <1>: "),
            std::wstring::npos);
}

TEST_F(FileDialogTest, OpeningAsksAgainUntilTheFileExists) {
  replies({L"missing.txt", L"sub", L"notes", L""});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_OPEN), in("notes.txt"));
  EXPECT_EQ(index, 0);
  EXPECT_NE(printed.find(L"File \"" + in("missing.txt") + L"\" does not exist.\n"),
            std::wstring::npos);
  EXPECT_NE(printed.find(L"\"" + in("sub") + L"\" is a folder.\n"), std::wstring::npos);
  EXPECT_NE(printed.find(L"Export texts: "), std::wstring::npos);

  replies({L"table.csv", L""});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_OPEN), in("table.csv"));
  EXPECT_EQ(index, 1);

  // Saving needs the folder only.
  replies({L"nowhere/x.txt", L"sub/../new.txt", L"1"});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE), in("new.txt"));
  EXPECT_EQ(count(L"does not exist.\n"), 2);
}

TEST_F(FileDialogTest, CancelAtEitherPrompt) {
  replies({L"^C"});
  EXPECT_EQ(choose(L"a.txt", KX_FILENAV_SAVE), L"");
  EXPECT_EQ(status, KXRT_CANCEL);
  replies({L"a.txt"});  // then the input ends at the file type
  EXPECT_EQ(choose(L"a.txt", KX_FILENAV_SAVE), L"");
  EXPECT_EQ(status, KXRT_CANCEL);
  EXPECT_EQ(index, -1) << "untouched when cancelled";
  // Enter without a default name is not a name.
  replies({L"", L"^C"});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_SAVE), L"");
  EXPECT_EQ(count(L"Enter a file name.\n"), 1);

  EXPECT_EQ(getUlmInterfaces()->getIOManagerInterface()->showFileNavigationDialog(
                L"t", nullptr, nullptr, 0, nullptr, 1, nullptr, 0, nullptr, 0, 0),
            KXRT_ERROR);
}

}  // namespace
