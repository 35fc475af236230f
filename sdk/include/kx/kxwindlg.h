#pragma once
// Modal dialogs, their controls and message boxes, as modules write them against the window
// framework. kxhost has no window system: a dialog shows as a text form on the command line and
// the user answers it from the same input as every prompt (a control's id or caption clicks it,
// ID=VALUE sets a check box (0/1), a combo box (an item's text or #N, from 1) or an edit box, OK
// and Cancel close it, Enter or "?" shows the form again; ^C or the end of the input cancels).
// The dialog's layout comes from the template of that number in the current resource module.
//
// Windows here are host objects behind an HWND. A dialog's window and those of its controls
// exist while DoModal runs; afterwards their handles are dead and calls on them do nothing.

#include "kx/kxwindef.h"
#include "kx/kxwinstr.h"

typedef UINT_PTR DWORD_PTR;

// ---- messages and notifications ----
constexpr UINT WM_SETTEXT = 0x000C;  // lParam: the new text (LPCWSTR)
constexpr UINT WM_GETTEXT = 0x000D;  // wParam: buffer size in characters, lParam: the buffer
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_CLOSE = 0x0010;    // to a dialog: as its Cancel button
constexpr UINT WM_COMMAND = 0x0111;  // wParam: MAKEWPARAM(control id, notification code)

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;  // wParam: BST_*; sets this button only, sends nothing
constexpr UINT BM_CLICK = 0x00F5;     // as if the user clicked the button

constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;

constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;  // first item the text starts, without regard to case
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr int CB_ERR = -1;

// Notification codes in the high word of WM_COMMAND's wParam.
constexpr UINT BN_CLICKED = 0;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT EN_CHANGE = 0x0300;

// Dialog and message box results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// ShowWindow.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

#ifndef MAKEWPARAM
#define MAKEWPARAM(low, high)                                          \
  (static_cast<WPARAM>(static_cast<UINT_PTR>(static_cast<WORD>(low)) | \
                       (static_cast<UINT_PTR>(static_cast<WORD>(high)) << 16)))
#endif
#ifndef LOWORD
#define LOWORD(value) (static_cast<WORD>(static_cast<UINT_PTR>(value) & 0xFFFF))
#endif
#ifndef HIWORD
#define HIWORD(value) (static_cast<WORD>((static_cast<UINT_PTR>(value) >> 16) & 0xFFFF))
#endif

// ---- message boxes ----
// The buttons (one of), an icon and a default button (accepted; the text form has neither).
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_TOPMOST = 0x40000;

// ---- message maps ----
// A class lists the notifications it handles between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP;
// handlers are member functions without arguments (ranges: with the control id), written
// &Class::Handler. Maps chain to the base class's map, so a derived class's entry wins.
#define afx_msg

class CCmdTarget;
typedef void (CCmdTarget::*KxCommandHandler)();
typedef void (CCmdTarget::*KxCommandRangeHandler)(UINT id);

struct KxMessageMapEntry {
  UINT message;  // WM_COMMAND
  UINT code;     // BN_CLICKED, CBN_SELCHANGE, ...
  UINT firstId;
  UINT lastId;
  KxCommandHandler handler;            // or
  KxCommandRangeHandler rangeHandler;  // both null: the end of the entries
};

struct KxMessageMap {
  const KxMessageMap* (*base)();  // null for the root
  const KxMessageMapEntry* entries;
};

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const KxMessageMap* GetThisMessageMap(); \
  const KxMessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
  const KxMessageMap* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                         \
  }                                                     \
  const KxMessageMap* theClass::GetThisMessageMap() {   \
    typedef baseClass KxBaseClass;                      \
    static const KxMessageMapEntry kxEntries[] = {
#define END_MESSAGE_MAP()                                                         \
  { 0, 0, 0, 0, nullptr, nullptr }                                                \
  }                                                                               \
  ;                                                                               \
  static const KxMessageMap kxMap = {&KxBaseClass::GetThisMessageMap, kxEntries}; \
  return &kxMap;                                                                  \
  }

#define ON_CONTROL(code, id, memberFxn)      \
  {WM_COMMAND,                               \
   static_cast<UINT>(code),                  \
   static_cast<UINT>(id),                    \
   static_cast<UINT>(id),                    \
   static_cast<KxCommandHandler>(memberFxn), \
   nullptr},
#define ON_CONTROL_RANGE(code, firstId, lastId, memberFxn) \
  {WM_COMMAND,                                             \
   static_cast<UINT>(code),                                \
   static_cast<UINT>(firstId),                             \
   static_cast<UINT>(lastId),                              \
   nullptr,                                                \
   static_cast<KxCommandRangeHandler>(memberFxn)},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_COMMAND_RANGE(firstId, lastId, memberFxn) \
  ON_CONTROL_RANGE(BN_CLICKED, firstId, lastId, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // Runs the handler the message maps give for notification `code` from control `id`; FALSE
  // when no map has one.
  BOOL KxDispatchCommand(UINT id, UINT code);

 protected:
  static const KxMessageMap* GetThisMessageMap();
  virtual const KxMessageMap* GetMessageMap() const;
};

// ---- windows ----
class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object for a live window: the one a module attached to it (the dialog itself, a
  // DDX_Control member), else one the host keeps for it while it lives, of the class that fits
  // the control (CButton, CComboBox, CEdit, CStatic). Null for a null or dead handle.
  static CWnd* FromHandle(HWND window);

  // Control `id` of this dialog; null when it has none.
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;

  LRESULT SendMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(message, wParam, lParam);
  }

  // A disabled control shows "(disabled)" and refuses the user. Returns non-zero when the
  // window was disabled before.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  // SW_HIDE hides (the control refuses the user), other commands show. Returns non-zero when
  // the window was visible before.
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;

  void SetWindowTextW(LPCWSTR text);
  void SetWindowText(LPCWSTR text) { SetWindowTextW(text); }
  void GetWindowTextW(CString& text) const;
  void GetWindowText(CString& text) const { GetWindowTextW(text); }
  // Copies at most max - 1 characters and a terminator; returns the count copied.
  int GetWindowTextW(LPWSTR buffer, int max) const;
  int GetWindowTextLengthW() const;

  // Accepted; the text form has no focus or painting.
  CWnd* SetFocus() { return nullptr; }
  void UpdateWindow() {}
  void Invalidate(BOOL erase = TRUE) { (void)erase; }

  // Makes this object the one that stands for control `id` of `parent` (DDX_Control does this).
  BOOL SubclassDlgItem(UINT id, CWnd* parent);

  int MessageBoxW(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK);
  int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK) {
    return MessageBoxW(text, caption, type);
  }
};

class CButton : public CWnd {
 public:
  int GetCheck() const;  // BST_CHECKED or BST_UNCHECKED
  void SetCheck(int check);
};

class CComboBox : public CWnd {
 public:
  // Positions are 0-based; CB_ERR (-1) for none or a failure.
  int AddString(LPCWSTR text);                // at the end; its position
  int InsertString(int index, LPCWSTR text);  // -1: at the end
  int DeleteString(UINT index);               // the count left
  void ResetContent();
  int GetCount() const;
  int SetCurSel(int index);  // -1 clears the selection; out of range: clears it, CB_ERR
  int GetCurSel() const;
  int GetLBText(int index, LPWSTR buffer) const;  // the buffer must hold GetLBTextLen + 1
  void GetLBText(int index, CString& text) const;
  int GetLBTextLen(int index) const;
  // Searches after position `startAfter` (-1: from the start), wrapping around; the text
  // compares without regard to case, whole (Exact) or as the start of an item.
  int FindString(int startAfter, LPCWSTR text) const;
  int FindStringExact(int startAfter, LPCWSTR text) const;
  int SelectString(int startAfter, LPCWSTR text);  // FindString, then select it
  // A value the module keeps with an item; CB_ERR for a position out of range.
  DWORD_PTR GetItemData(int index) const;
  int SetItemData(int index, DWORD_PTR data);
};

class CEdit : public CWnd {
 public:
  // Accepted; the text form takes any length.
  void SetLimitText(UINT limit) { (void)limit; }
  void LimitText(int limit = 0) { (void)limit; }
};

class CStatic : public CWnd {};

// ---- dialog data exchange ----
// UpdateData runs the dialog's DoDataExchange in one direction: from the members into the
// controls (m_bSaveAndValidate FALSE, as OnInitDialog does), or from the controls into the
// members (TRUE, as the default OnOK does). A value that does not convert stops the exchange:
// the user is told, and UpdateData returns FALSE.
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;

  // The handle of control `id`; null (and a line on standard error, as the module is at fault)
  // when the dialog has none, and the DDX call then does nothing.
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id) { return PrepareCtrl(id); }
  // Stops the exchange; UpdateData returns FALSE.
  [[noreturn]] void Fail();
};

void DDX_Check(CDataExchange* pDX, int id, int& value);  // BST_CHECKED / BST_UNCHECKED
// Attaches `control` to control `id` the first time (the member then stands for the control).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// ---- dialogs ----
class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Shows the dialog of the template and reads the user's actions until EndDialog; returns the
  // code EndDialog was given (IDCANCEL when the user cancels with ^C or the input ends), -1 when
  // the template is missing.
  virtual INT_PTR DoModal();
  // Runs UpdateData(FALSE); TRUE.
  virtual BOOL OnInitDialog();
  // Closes the dialog once its loop gets control back; DoModal returns `result`.
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  UINT GetTemplateId() const { return templateId_; }

  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  // Checks `checkId` and clears every other button whose id lies in firstId..lastId.
  void CheckRadioButton(int firstId, int lastId, int checkId);
  // The first checked button whose id lies in firstId..lastId; 0 for none.
  int GetCheckedRadioButton(int firstId, int lastId);
  void SetDlgItemTextW(int id, LPCWSTR text);
  void SetDlgItemText(int id, LPCWSTR text) { SetDlgItemTextW(id, text); }
  int GetDlgItemTextW(int id, CString& text) const;
  int GetDlgItemText(int id, CString& text) const { return GetDlgItemTextW(id, text); }
  int GetDlgItemTextW(int id, LPWSTR buffer, int max) const;
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  LRESULT SendDlgItemMessageW(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(id, message, wParam, lParam);
  }

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // UpdateData(TRUE), then EndDialog(IDOK) when it succeeded.
  virtual void OnOK();
  // EndDialog(IDCANCEL).
  virtual void OnCancel();

  DECLARE_MESSAGE_MAP()

 private:
  UINT templateId_;
  CWnd* parent_;
};

class CDialogEx : public CDialog {
 public:
  using CDialog::CDialog;
};

// ---- free functions ----
extern "C" {

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int max);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int max);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL EndDialog(HWND dialog, INT_PTR result);

// A message box as text: the caption (null: the product name) and the text, then a prompt that
// names the buttons ("[Yes/No]: "); a button's word or its first letter answers, anything else is
// asked again. ^C or the end of the input answers Cancel where there is one, else No, else the
// first button. `owner` may be null.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The host's main window: a CWnd with a valid handle, to own dialogs and message boxes.
CWnd* kxedGetKxadFrame();

// The colour dialog as a prompt: a colour number 1-255, or BYLAYER (256) and BYBLOCK (0) when
// `allowMetaColors`. Enter keeps `color` (when it is a meta colour the dialog may not offer, the
// layer's colour is shown and kept); TRUE with the colour chosen, FALSE (color unchanged) when the
// user cancels.
BOOL kxedSetColorDialog(int& color, BOOL allowMetaColors, int currentLayerColor);

}  // extern "C"

inline CWnd* AfxGetMainWnd() {
  return kxedGetKxadFrame();
}
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
// The text is string `promptId` of the current resource source.
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
