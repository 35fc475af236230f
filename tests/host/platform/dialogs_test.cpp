// Dialogs outside the user loop: a missing template, one ended from its own start, controls driven
// through their handles, windows that outlive their dialog. The module's own dialogs are answered
// through its commands in the cases. Then the message boxes, the colour dialog and the file
// navigation dialog, which are prompts too.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/input_source.h"
#include "editor/prompts.h"
#include "kx/kxed.h"
#include "kx/kxfiledlg.h"
#include "kx/kxwinapp.h"
#include "kx/kxwindlg.h"
#include "platform/dialog_form.h"
#include "support/files.h"
#include "support/sdk_fixture.h"

namespace {

namespace fs = std::filesystem;
using kx::editor::InputSource;

using PromptTest = kx::test::ReplyTest;

// A test lookup stands in for the resource module.
class DialogsTest : public PromptTest {
 protected:
  ~DialogsTest() override { kx::platform::setDialogTemplateLookup({}); }
};

TEST_F(DialogsTest, WindowsAndMessagesOutsideTheUserLoop) {
  constexpr KxDialogControl controls[] = {
      {7, KxControlKind::kComboBox, L"", true, false},
      {8, KxControlKind::kCheckBox, L"Eight", true, false},
  };
  const KxDialogTemplate custom = {77, L"Custom", controls, 2};
  kx::platform::setDialogTemplateLookup(
      [&](std::uint32_t id) { return id == 77 ? &custom : nullptr; });

  // A missing template: -1 at once, nothing asked.
  replies({L"OK"});
  testing::internal::CaptureStderr();
  CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no dialog template 4242"),
            std::string::npos);
  EXPECT_EQ(printed, L"");
  InputSource::instance().reset();

  struct Probe : CDialog {
    Probe() : CDialog(77) {}
    BOOL OnInitDialog() override {
      HWND combo = ::GetDlgItem(m_hWnd, 7);
      EXPECT_TRUE(::IsWindow(combo));
      EXPECT_EQ(::GetDlgCtrlID(combo), 7);
      EXPECT_EQ(::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"b")), 0);
      EXPECT_EQ(::SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"a")), 0);
      EXPECT_EQ(::SendMessageW(combo, CB_SETCURSEL, 5, 0), CB_ERR);
      auto* list = static_cast<CComboBox*>(GetDlgItem(7));
      EXPECT_EQ(list->SelectString(-1, L"B"), 1);
      EXPECT_EQ(list->SetItemData(1, 99), 0);
      EXPECT_EQ(list->GetItemData(1), 99u);
      CString text;
      list->GetWindowTextW(text);
      EXPECT_EQ(std::wstring(text.GetString()), L"b");
      EXPECT_EQ(list->FindStringExact(-1, L"c"), CB_ERR);
      auto* box = static_cast<CButton*>(GetDlgItem(8));
      box->SetCheck(BST_CHECKED);
      EXPECT_EQ(IsDlgButtonChecked(8), BST_CHECKED);
      EXPECT_EQ(box->GetParent(), this);
      EXPECT_EQ(GetDlgItem(9), nullptr);
      EXPECT_FALSE(box->ShowWindow(SW_HIDE) == FALSE) << "it was visible";
      comboHandle = combo;
      // The window text of the dialog is its caption.
      SetWindowTextW(L"Renamed");
      ::SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return TRUE;
    }
    HWND comboHandle = nullptr;
  };
  Probe probe;
  EXPECT_EQ(probe.DoModal(), IDOK) << "ended from OnInitDialog: no form, no prompt";
  EXPECT_EQ(printed, L"");
  EXPECT_FALSE(::IsWindow(probe.comboHandle));
  EXPECT_EQ(::SendMessageW(probe.comboHandle, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(::GetDlgItem(nullptr, 7), nullptr);

  // The main frame is a window of its own.
  CWnd* frame = kxedGetKxadFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(::IsWindow(frame->m_hWnd));
  EXPECT_EQ(CWnd::FromHandle(frame->m_hWnd), frame);
  EXPECT_EQ(AfxGetMainWnd(), frame);
}

// ---- message boxes and the colour dialog ----

class MessageBoxTest : public PromptTest {};

TEST_F(MessageBoxTest, AnswersByWordOrLetterAskAgainOtherwiseAndCancel) {
  replies({L"maybe", L"", L" y "});
  EXPECT_EQ(MessageBoxW(nullptr, L"\nReplace 3 texts?\nThis cannot be undone.\n", L"Convert",
                        MB_YESNO | MB_ICONQUESTION),
            IDYES);
  EXPECT_EQ(printed,
            L"** Convert **\n"
            L"Replace 3 texts?\n"
            L"This cannot be undone.\n"
            L"[Yes/No]: maybe\n"
            L"Answer Yes or No.\n"
            L"[Yes/No]: \n"
            L"Answer Yes or No.\n"
            L"[Yes/No]:  y \n");

  // Each kind of box: a word, a letter, Enter, ^C or the end of the input (no reply).
  const struct {
    UINT type;
    const wchar_t* reply;
    int answer;
  } cases[] = {
      {MB_YESNO, L"NO", IDNO},
      {MB_YESNOCANCEL, L"cancel", IDCANCEL},
      {MB_OKCANCEL, L"o", IDOK},
      {MB_ABORTRETRYIGNORE, L"i", IDIGNORE},
      {MB_OK | MB_ICONINFORMATION, L"", IDOK},  // a box with one button takes Enter
      // Cancelling answers Cancel where there is one, else No, else the first button.
      {MB_YESNO, L"^C", IDNO},
      {MB_YESNOCANCEL, L"^C", IDCANCEL},
      {MB_YESNO, nullptr, IDNO},
      {MB_OKCANCEL, nullptr, IDCANCEL},
      {MB_ABORTRETRYIGNORE, nullptr, IDABORT},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    if (cases[i].reply) replies({cases[i].reply});
    EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", cases[i].type), cases[i].answer);
  }
  EXPECT_EQ(count(L"*Cancel*\n"), 2);
  replies({L"yes", L"r"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(count(L"Answer Retry or Cancel.\n"), 1);
}

TEST_F(MessageBoxTest, WithoutACaptionTheProductNameShows) {
  replies({L"ok"});
  EXPECT_EQ(AfxMessageBox(L"Saved."), IDOK);
  EXPECT_TRUE(printed.starts_with(L"** Orvex **\nSaved.\n"))
      << std::string(printed.begin(), printed.end());
  printed.clear();
  replies({L"n"});
  EXPECT_EQ(kxedGetKxadFrame()->MessageBoxW(L"Go on?", L"Question", MB_YESNO), IDNO);
  EXPECT_TRUE(printed.starts_with(L"** Question **\nGo on?\n[Yes/No]: n\n"));
}

TEST_F(MessageBoxTest, ColourDialogTakesNumbersNamesAndMetaColoursWhereAllowed) {
  int color = 256;
  replies({L"300", L"bylayer"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 256);
  EXPECT_EQ(count(L"Colour (1-255, BYLAYER, BYBLOCK) <BYLAYER>: 300\n"
                  L"Enter a colour number from 1 to 255, BYLAYER or BYBLOCK.\n"),
            1);
  color = 0;
  replies({L"  Red "});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 1);
  EXPECT_NE(printed.find(L"<BYBLOCK>: "), std::wstring::npos);

  // BYBLOCK and BYLAYER only where meta colours are allowed.
  color = 3;
  replies({L"byblock", L"0", L"256", L"42"});
  EXPECT_EQ(kxedSetColorDialog(color, FALSE, 5), TRUE);
  EXPECT_EQ(color, 42);
  EXPECT_EQ(count(L"Enter a colour number from 1 to 255.\n"), 3);
  replies({L"0"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 0);

  // Enter keeps the colour; one the dialog cannot offer becomes the layer's.
  color = 256;
  replies({L""});
  EXPECT_EQ(kxedSetColorDialog(color, FALSE, 5), TRUE);
  EXPECT_EQ(color, 5);
  EXPECT_NE(printed.find(L"Colour (1-255) <5>: \n"), std::wstring::npos);
  color = 12;
  replies({L""});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 12);

  // ^C and the end of the input leave it alone.
  replies({L"^C"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), FALSE);
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), FALSE);
  EXPECT_EQ(color, 12);
}

// ---- the file navigation dialog: default names, file types from the extension or by number,
// files and folders that must exist ----

constexpr wchar_t kFilters[] = L"text files(*.txt)|CSV files(*.csv;*.tsv)";

class FileDialogTest : public PromptTest {
 protected:
  FileDialogTest() {
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "notes.txt") << "x";
    std::ofstream(dir / "table.csv") << "x";
    previousDir = fs::current_path();
    fs::current_path(dir);
  }
  ~FileDialogTest() override { fs::current_path(previousDir); }
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

  const kx::test::TempFolder folder{"file-dialog"};
  const fs::path& dir = folder.path();
  fs::path previousDir;
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
  EXPECT_EQ(count(L"File type [1 Text (*.txt) / 2 Comma separated] <1>: "), 1);
}

TEST_F(FileDialogTest, OpeningAsksAgainUntilTheFileExists) {
  replies({L"missing.txt", L"sub", L"notes", L""});
  EXPECT_EQ(choose(nullptr, KX_FILENAV_OPEN), in("notes.txt"));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(count(L"File \"" + in("missing.txt") + L"\" does not exist.\n"), 1);
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
