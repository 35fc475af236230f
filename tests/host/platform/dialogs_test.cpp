// Dialogs as modules write them, shown as text forms and answered from the input: the case,
// settings and conversion dialogs of the test resource module, message maps, data exchange both
// ways, disabled controls, refused replies, cancelling and windows that outlive their dialog. Then
// the message boxes, the colour dialog and the file navigation dialog, which are prompts too.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/input_source.h"
#include "editor/prompts.h"
#include "kx/kxed.h"
#include "kx/kxfiledlg.h"
#include "kx/kxwinapp.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinres.h"
#include "platform/dialog_form.h"
#include "support/sdk_fixture.h"

namespace {

namespace fs = std::filesystem;
using kx::editor::InputSource;
using kx::editor::Prompter;

// ---- the case dialog: one radio group, a code per radio button, its own OnOK ----
class CaseDialog : public CDialog {
 public:
  enum { IDD = 2366 };
  explicit CaseDialog(bool throughHandle = false) : CDialog(IDD), throughHandle_(throughHandle) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    const int id =
        static_cast<int>(kxedGetKxadWinApp()->GetProfileIntW(L"KxDialogTest", L"CaseMode", 2005));
    if (throughHandle_) {
      ::SendMessageW(GetDlgItem(id)->GetSafeHwnd(), BM_SETCHECK, BST_CHECKED, 0);
    } else {
      GetDlgItem(id)->SendMessageW(BM_SETCHECK, 1, 0);
    }
    return TRUE;
  }

  int code = -1;
  int checkedAtOk = 0;
  bool okRan = false;

 protected:
  void OnOK() override {
    okRan = true;
    checkedAtOk = GetCheckedRadioButton(2005, 2023);
    CDialog::OnOK();
  }
  afx_msg void OnSentence() { code = 0; }
  afx_msg void OnLower() { code = 1; }
  afx_msg void OnUpper() { code = 2; }
  afx_msg void OnTitle() { code = 3; }
  afx_msg void OnToggle() { code = 4; }
  DECLARE_MESSAGE_MAP()

 private:
  bool throughHandle_;
};

BEGIN_MESSAGE_MAP(CaseDialog, CDialog)
ON_BN_CLICKED(2005, &CaseDialog::OnSentence)
ON_BN_CLICKED(2006, &CaseDialog::OnLower)
ON_BN_CLICKED(2021, &CaseDialog::OnUpper)
ON_BN_CLICKED(2022, &CaseDialog::OnTitle)
ON_BN_CLICKED(2023, &CaseDialog::OnToggle)
END_MESSAGE_MAP()

// ---- the settings dialog: a check box bound to an int, radio buttons with handlers ----
class SettingsDialog : public CDialog {
 public:
  SettingsDialog() : CDialog(2345) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    GetDlgItem(2006)->SendMessageW(BM_SETCHECK, BST_CHECKED, 0);
    return TRUE;
  }
  int m_join = 1;
  int order = -1;
  int m_orderIndex = 0;  // DDX_Radio over 2005/2006
  bool useRadioExchange = false;
  // OK is refused this many times by a handler of the derived class, which takes precedence over
  // the dialog's own.
  int refuseOk = 0;
  bool refuseCancel = false;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, 2025, m_join);
    if (useRadioExchange) DDX_Radio(pDX, 2005, m_orderIndex);
  }
  afx_msg void OnBySelection() { order = 0; }
  afx_msg void OnByPosition() { order = 1; }
  afx_msg void OnOkClicked() {
    if (refuseOk > 0) {
      --refuseOk;
      kxutPrintf(L"Not yet.\n");
      return;
    }
    CDialog::OnOK();
  }
  afx_msg void OnCancelClicked() {
    if (refuseCancel) {
      kxutPrintf(L"Not now.\n");
      return;
    }
    OnCancel();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SettingsDialog, CDialog)
ON_BN_CLICKED(IDCANCEL, &SettingsDialog::OnCancelClicked)
ON_BN_CLICKED(2005, &SettingsDialog::OnBySelection)
ON_BN_CLICKED(2006, &SettingsDialog::OnByPosition)
ON_BN_CLICKED(IDOK, &SettingsDialog::OnOkClicked)
END_MESSAGE_MAP()

// ---- the conversion dialog: a label set at start, two radio groups, a combo box enabled only
// while "objects on layer" is checked ----
class ConversionDialog : public CDialog {
 public:
  ConversionDialog() : CDialog(3518) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetDlgItemTextW(3511, L"12 texts selected");
    CheckRadioButton(3512, 3513, 3512);
    CheckRadioButton(3514, 3516, 3514);
    for (const wchar_t* layer : {L"0", L"Walls", L"Doors"}) m_layerList.AddString(layer);
    m_layerList.SetCurSel(0);
    m_layerList.EnableWindow(FALSE);
    return TRUE;
  }
  CComboBox m_layerList;
  CString m_prefix;
  int direction = 0, scope = 0, selectionChanges = 0, previews = 0, prefixChanges = 0;
  CString layer;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 3517, m_layerList);
    DDX_Text(pDX, 3520, m_prefix);
  }
  void OnOK() override {
    direction = GetCheckedRadioButton(3512, 3513);
    scope = GetCheckedRadioButton(3514, 3516);
    if (IsDlgButtonChecked(3516) == BST_CHECKED)
      m_layerList.GetLBText(m_layerList.GetCurSel(), layer);
    CDialog::OnOK();
  }
  afx_msg void OnSelected() { m_layerList.EnableWindow(FALSE); }
  afx_msg void OnAll() { GetDlgItem(3517)->EnableWindow(FALSE); }
  afx_msg void OnOnLayer() { ::EnableWindow(::GetDlgItem(m_hWnd, 3517), TRUE); }
  afx_msg void OnLayerChange() { ++selectionChanges; }
  afx_msg void OnPreview() { ++previews; }
  afx_msg void OnPrefix() { ++prefixChanges; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ConversionDialog, CDialog)
ON_BN_CLICKED(3514, &ConversionDialog::OnSelected)
ON_BN_CLICKED(3515, &ConversionDialog::OnAll)
ON_BN_CLICKED(3516, &ConversionDialog::OnOnLayer)
ON_CBN_SELCHANGE(3517, &ConversionDialog::OnLayerChange)
ON_BN_CLICKED(3521, &ConversionDialog::OnPreview)
ON_EN_CHANGE(3520, &ConversionDialog::OnPrefix)
END_MESSAGE_MAP()

// The conversion template with a number in its edit box, and range handlers for the radios.
class NumberDialog : public CDialog {
 public:
  NumberDialog() : CDialog(3518) {}
  int count = 5;
  double scale = 0.5;
  std::vector<UINT> clicked;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 3520, count);
    DDX_Text(pDX, 3511, scale);
    DDX_Check(pDX, 4444, count);  // no such control: ignored, with a line on standard error
  }
  afx_msg void OnRadio(UINT id) { clicked.push_back(id); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(NumberDialog, CDialog)
ON_CONTROL_RANGE(BN_CLICKED, 3512, 3516, &NumberDialog::OnRadio)
END_MESSAGE_MAP()

using PromptTest = kx::test::ReplyTest;

class DialogsTest : public PromptTest {
 protected:
  DialogsTest() {
    previous = AfxGetResourceHandle();
    resources = LoadResourceDll(KX_MODULE_DIR L"/KxTestExtendTextCmdsRes.dll");
    AfxSetResourceHandle(resources);
  }
  ~DialogsTest() override {
    AfxSetResourceHandle(previous);
    if (resources) FreeLibrary(resources);
    kx::platform::setDialogTemplateLookup({});
  }
  void SetUp() override {
    ASSERT_NE(resources, nullptr) << "the test resource module did not load";
  }

  // What was printed after the first `marker`.
  std::wstring after(std::wstring_view marker) const {
    const auto at = printed.find(marker);
    return at == std::wstring::npos ? std::wstring() : printed.substr(at + marker.size());
  }

  HINSTANCE previous = nullptr;
  HINSTANCE resources = nullptr;
};

TEST_F(DialogsTest, CaseDialogChecksTheRememberedButtonAndRunsClickHandlers) {
  kxedGetKxadWinApp()->WriteProfileInt(L"KxDialogTest", L"CaseMode", 2021);
  replies({L"2006", L"4711", L"toggle CASE", L"OK"});
  CaseDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.code, 4);
  EXPECT_TRUE(dialog.okRan);
  EXPECT_EQ(dialog.checkedAtOk, 2023);
  EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone once DoModal returns";

  const std::wstring form =
      L"Change case (dialog 2366)\n"
      L"  -- Case --\n"
      L"  ( ) Sentence case. #2005\n"
      L"  ( ) lower case #2006\n"
      L"  (*) UPPER CASE #2021\n"
      L"  ( ) Title Case #2022\n"
      L"  ( ) tOGGLE cASE #2023\n"
      L"  [OK] [Cancel]\n"
      L"Dialog 2366 (caption or its start, #id, ID=VALUE, OK, Cancel): 2006\n"
      // Only the lines the click changed come again.
      L"  (*) lower case #2006\n"
      L"  ( ) UPPER CASE #2021\n"
      L"Dialog 2366 (caption or its start, #id, ID=VALUE, OK, Cancel): 4711\n"
      L"No control \"4711\" in this dialog.\n"
      L"Dialog 2366 (caption or its start, #id, ID=VALUE, OK, Cancel): toggle CASE\n"
      L"  ( ) lower case #2006\n"
      L"  (*) tOGGLE cASE #2023\n"
      L"Dialog 2366 (caption or its start, #id, ID=VALUE, OK, Cancel): OK\n";
  EXPECT_EQ(printed, form);

  // The same through ::SendMessageW, and the default OnOK of the base when the user cancels.
  kxedGetKxadWinApp()->WriteProfileInt(L"KxDialogTest", L"CaseMode", 2022);
  printed.clear();
  replies({L"2005", L"Cancel"});
  CaseDialog again(true);
  EXPECT_EQ(again.DoModal(), IDCANCEL);
  EXPECT_EQ(again.code, 0);
  EXPECT_FALSE(again.okRan);
  EXPECT_EQ(count(L"  (*) Title Case #2022\n"), 1);
}

TEST_F(DialogsTest, SettingsDialogExchangesDataBothWays) {
  replies({L"2025", L"2025=1", L"2025 = 0", L"2005", L"OK"});
  SettingsDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_join, 0) << "OK reads the check box back";
  EXPECT_EQ(dialog.order, 0);
  // Data into controls at the start, then the check mark OnInitDialog sets itself.
  EXPECT_NE(printed.find(L"  [x] Join the lines into one paragraph #2025\n"
                         L"  -- Order --\n"
                         L"  ( ) By selection #2005\n"
                         L"  (*) By position #2006\n"),
            std::wstring::npos)
      << std::string(printed.begin(), printed.end());
  EXPECT_EQ(count(L"  [ ] Join"), 2);
  EXPECT_EQ(count(L"  [x] Join"), 2);

  // Cancel leaves the members alone, whatever the user changed.
  printed.clear();
  replies({L"2025", L"Cancel"});
  SettingsDialog cancelled;
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.m_join, 1);

  // DDX_Radio: the position of the checked button, into the controls and back.
  replies({L"By selection", L"OK"});
  SettingsDialog radios;
  radios.useRadioExchange = true;
  radios.m_orderIndex = 0;
  EXPECT_EQ(radios.DoModal(), IDOK);
  EXPECT_EQ(radios.m_orderIndex, 0);
  replies({L"OK"});
  SettingsDialog untouched;
  untouched.useRadioExchange = true;
  untouched.m_orderIndex = -1;
  EXPECT_EQ(untouched.DoModal(), IDOK);
  EXPECT_EQ(untouched.m_orderIndex, 1) << "OnInitDialog checked By position after the exchange";
}

TEST_F(DialogsTest, HandlersMayRefuseOkAndCancelButNotTheEndOfInput) {
  // A handler that does not close keeps the form open.
  replies({L"OK", L"ok", L"1"});
  SettingsDialog refusing;
  refusing.refuseOk = 2;
  EXPECT_EQ(refusing.DoModal(), IDOK);
  EXPECT_EQ(count(L"Not yet.\n"), 2);
  EXPECT_EQ(count(L"Dialog 2345 (caption or its start, #id, ID=VALUE, OK, Cancel): "), 3);

  printed.clear();
  replies({L"2025", L"^C"});
  SettingsDialog cancelled;
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(count(L"*Cancel*\n"), 1);
  EXPECT_EQ(cancelled.m_join, 1);

  // A Cancel handler may refuse the Cancel button, but not ^C or the end of the input.
  printed.clear();
  replies({L"Cancel", L"^C"});
  SettingsDialog stubborn;
  stubborn.refuseCancel = true;
  EXPECT_EQ(stubborn.DoModal(), IDCANCEL);
  EXPECT_EQ(count(L"Not now.\n"), 2);
  EXPECT_EQ(count(L"Dialog 2345 (caption or its start, #id, ID=VALUE, OK, Cancel): "), 2);

  replies({L"2025"});
  SettingsDialog atEnd;
  atEnd.refuseCancel = true;
  EXPECT_EQ(atEnd.DoModal(), IDCANCEL);
  EXPECT_EQ(atEnd.m_join, 1);
  EXPECT_TRUE(InputSource::instance().atEnd());
}

TEST_F(DialogsTest, ConversionDialogEnablesTheLayerListFromClickHandlers) {
  replies({L"3517=Walls",  // refused: disabled
           L"3516",        // enables it
           L"3517=walls", L"3517=#3", L"3513", L"3521", L"3520=T-", L"OK"});
  ConversionDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.direction, 3513);
  EXPECT_EQ(dialog.scope, 3516);
  EXPECT_EQ(std::wstring(dialog.layer.GetString()), L"Doors");
  EXPECT_EQ(dialog.selectionChanges, 2);
  EXPECT_EQ(dialog.previews, 1);
  EXPECT_EQ(dialog.prefixChanges, 1);
  EXPECT_EQ(std::wstring(dialog.m_prefix.GetString()), L"T-");

  EXPECT_NE(printed.find(L"  12 texts selected #3511\n"), std::wstring::npos);
  EXPECT_NE(printed.find(L"  combo Layer: 0  {0, Walls, Doors} #3517 (disabled)\n"),
            std::wstring::npos);
  const std::wstring afterRefusal = after(L"3517=Walls\nCombo box 3517 is disabled.\n");
  EXPECT_TRUE(afterRefusal.starts_with(
      L"Dialog 3518 (caption or its start, #id, ID=VALUE, OK, Cancel): 3516\n"
      L"  ( ) Selected objects #3514\n"
      L"  (*) Objects on layer #3516\n"
      L"  combo Layer: 0  {0, Walls, Doors} #3517\n"))
      << std::string(afterRefusal.begin(), afterRefusal.end());
  EXPECT_NE(printed.find(L"3517=#3\n  combo Layer: Doors  {0, Walls, Doors} #3517\n"),
            std::wstring::npos);

  // The member the dialog attached is let go with the window; calls on it do nothing.
  EXPECT_EQ(dialog.m_layerList.m_hWnd, nullptr);
  EXPECT_EQ(dialog.m_layerList.GetCount(), 0);
  EXPECT_EQ(dialog.m_layerList.AddString(L"late"), 0);

  // Clicking another scope disables the list again.
  printed.clear();
  replies({L"3516", L"All objects", L"3517=Doors", L"OK"});
  ConversionDialog other;
  EXPECT_EQ(other.DoModal(), IDOK);
  EXPECT_EQ(other.scope, 3515);
  EXPECT_EQ(other.selectionChanges, 0);
  EXPECT_EQ(std::wstring(other.layer.GetString()), L"");
  EXPECT_EQ(count(L"Combo box 3517 is disabled.\n"), 1);
}

TEST_F(DialogsTest, NumbersThatDoNotConvertKeepTheDialogOpen) {
  testing::internal::CaptureStderr();
  replies({L"3520=twelve", L"OK", L"3520= 12 ", L"3512", L"Traditional to simplified", L"OK"});
  NumberDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(dialog.count, 12);
  EXPECT_DOUBLE_EQ(dialog.scale, 0.5);
  EXPECT_EQ(dialog.clicked, (std::vector<UINT>{3512, 3513}));
  EXPECT_NE(printed.find(L"  edit Prefix: \"5\" #3520\n"), std::wstring::npos);
  EXPECT_NE(printed.find(L"  0.5 #3511\n"), std::wstring::npos);
  EXPECT_EQ(count(L"Enter a whole number in box 3520.\n"), 1);
  EXPECT_NE(errors.find("dialog 3518 has no control 4444"), std::string::npos);
}

TEST_F(DialogsTest, WindowsAndMessagesOutsideTheUserLoop) {
  // A missing template: -1 at once, nothing asked.
  replies({L"OK"});
  testing::internal::CaptureStderr();
  CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no dialog template 4242"),
            std::string::npos);
  EXPECT_EQ(printed, L"");
  InputSource::instance().reset();

  // A test lookup stands in for the resource module.
  constexpr KxDialogControl controls[] = {
      {7, KxControlKind::kComboBox, L"", true, false},
      {8, KxControlKind::kCheckBox, L"Eight", true, false},
  };
  const KxDialogTemplate custom = {77, L"Custom", controls, 2};
  kx::platform::setDialogTemplateLookup(
      [&](std::uint32_t id) { return id == 77 ? &custom : nullptr; });

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
  EXPECT_NE(printed.find(L"Colour (1-255, BYLAYER, BYBLOCK) <BYLAYER>: 300\n"
                         L"Enter a colour number from 1 to 255, BYLAYER or BYBLOCK.\n"),
            std::wstring::npos);
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
