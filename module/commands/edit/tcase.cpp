// TCASE: changes the letter case of the selected texts, MTEXTs and attribute definitions. The
// user picks the conversion in a dialog that starts with the one chosen last time.

#include <string>

#include "commands/commands.h"
#include "commands/edit/case_conversion.h"
#include "frame/resource_module.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxwinapp.h"
#include "kx/kxwindlg.h"
#include "resource_ids.h"
#include "toolkit/text_selection.h"

namespace {

constexpr wchar_t kProfileSection[] = L"TcaseDialog";
constexpr wchar_t kProfileEntry[] = L"LastChoiced";

int buttonOf(wchar_t code) {
  switch (code) {
    case L'G':
      return res::kTcaseToggle;
    case L'L':
      return res::kTcaseLower;
    case L'T':
      return res::kTcaseTitle;
    case L'U':
      return res::kTcaseUpper;
    default:
      return res::kTcaseSentence;
  }
}

// Converts one text in place; texts that cannot be opened for write (a locked layer) or that a
// field drives are left alone without a word.
void convertText(const kds_name entity, CaseConversion conversion) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForWrite) != Kxad::eOk) return;
  if (object->hasFields()) {
    object->close();
    return;
  }
  wchar_t* copy = nullptr;
  if (KxDbMText* mtext = KxDbMText::cast(object)) {
    copy = mtext->contents();
    const std::wstring converted = convertCase(copy ? copy : L"", conversion, true);
    kxutUpdString(converted.c_str(), &copy);
    mtext->setContents(copy);
  } else if (KxDbText* text = KxDbText::cast(object)) {
    copy = text->textString();
    const std::wstring converted = convertCase(copy ? copy : L"", conversion, false);
    kxutUpdString(converted.c_str(), &copy);
    text->setTextString(copy);
  }
  kxutDelBuffer(&copy);
  object->close();
}

}  // namespace

class TcaseDlg : public CDialog {
 public:
  TcaseDlg(CWnd* parent, const kds_name set) : CDialog(res::kTcaseDialog, parent) {
    set_[0] = set[0];
    set_[1] = set[1];
  }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    code_ = static_cast<wchar_t>(
        kxedGetKxadWinApp()->GetProfileIntW(kProfileSection, kProfileEntry, L'S'));
    initialButton_ = GetDlgItem(buttonOf(code_));
    if (initialButton_) initialButton_->SendMessageW(BM_SETCHECK, 1, 0);
    return TRUE;
  }

  void OnOK() override {
    std::int32_t length = 0;
    kxedSSLength(set_, &length);
    for (std::int32_t i = 0; i < length; ++i) {
      kds_name entity;
      kxedSSName(set_, i, entity);
      convertText(entity, conversion());
    }
    kxedGetKxadWinApp()->WriteProfileInt(kProfileSection, kProfileEntry, code_);
    CDialog::OnOK();
  }

  void OnSentence() { code_ = L'S'; }
  void OnLower() { code_ = L'L'; }
  void OnUpper() { code_ = L'U'; }
  void OnTitle() { code_ = L'T'; }
  void OnToggle() { code_ = L'G'; }

  DECLARE_MESSAGE_MAP()

 private:
  // A stored code that names no conversion counts as sentence case, the button shown for it.
  CaseConversion conversion() const {
    switch (code_) {
      case L'L':
      case L'U':
      case L'T':
      case L'G':
        return static_cast<CaseConversion>(code_);
      default:
        return CaseConversion::kSentence;
    }
  }

  kds_name set_;
  wchar_t code_ = L'S';
  CWnd* initialButton_ = nullptr;
};

BEGIN_MESSAGE_MAP(TcaseDlg, CDialog)
ON_BN_CLICKED(res::kTcaseSentence, &TcaseDlg::OnSentence)
ON_BN_CLICKED(res::kTcaseLower, &TcaseDlg::OnLower)
ON_BN_CLICKED(res::kTcaseUpper, &TcaseDlg::OnUpper)
ON_BN_CLICKED(res::kTcaseTitle, &TcaseDlg::OnTitle)
ON_BN_CLICKED(res::kTcaseToggle, &TcaseDlg::OnToggle)
END_MESSAGE_MAP()

void TCASE() {
  ResourceGuard guard;
  printString(res::kSelectTexts);
  kds_name set;
  if (selectTexts(set) != KXRT_NORM) {
    printString(res::kNothingSelected);
    return;
  }
  TcaseDlg dialog(kxedGetKxadFrame(), set);
  dialog.DoModal();
  kxedSSFree(set);
}
