// The dialog runtime: windows behind HWNDs, the messages modules send them, message maps, data
// exchange and the modal loop that shows a dialog as a text form and reads the user's replies.
//
// A dialog's window and its controls' windows are made when DoModal starts and die when it
// returns. Handles are checked against the set of live windows, so a stale handle a module kept
// is harmless. Module objects attached to windows (the dialog itself, DDX_Control members) get
// their m_hWnd cleared when the windows die.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "editor/prompts.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinres.h"
#include "platform/dialog_form.h"
#include "platform/resource_modules.h"

using kx::platform::DialogForm;
using kx::platform::FormControl;
using kx::platform::FormReply;

struct KxWindowHandle {
  enum class Kind { kFrame, kDialog, kControl };
  Kind kind = Kind::kFrame;
  KxWindowHandle* dialog = nullptr;  // controls: their dialog's window
  std::size_t control = 0;           // controls: the position in the form
  // Dialogs: the form and the module's object.
  DialogForm* form = nullptr;
  CDialog* owner = nullptr;
  std::vector<KxWindowHandle*> controls;  // by position in the form
  bool ended = false;
  INT_PTR result = IDCANCEL;
  CWnd* attached = nullptr;       // the module's object for this window
  std::unique_ptr<CWnd> wrapper;  // the host's, when none is attached
};

namespace {

struct Windows {
  Windows() {
    frame.kind = KxWindowHandle::Kind::kFrame;
    live.insert(&frame);
    frameWindow.m_hWnd = &frame;
    frame.attached = &frameWindow;
  }
  ~Windows() { frameWindow.m_hWnd = nullptr; }  // before it is destroyed, so it looks nothing up

  std::unordered_set<const KxWindowHandle*> live;
  KxWindowHandle frame;
  CWnd frameWindow;
};

Windows& windows() {
  static Windows instance;
  return instance;
}

KxWindowHandle* live(HWND window) {
  if (!window) return nullptr;
  return windows().live.contains(window) ? window : nullptr;
}

KxWindowHandle* liveDialog(HWND window) {
  KxWindowHandle* h = live(window);
  return h && h->kind == KxWindowHandle::Kind::kDialog ? h : nullptr;
}

FormControl* controlOf(KxWindowHandle* h) {
  if (!h || h->kind != KxWindowHandle::Kind::kControl) return nullptr;
  return &h->dialog->form->controls()[h->control];
}

// Thrown by CDataExchange::Fail, caught by UpdateData.
struct DataExchangeFailure {};

std::wstring text(LPCWSTR s) {
  return s ? std::wstring(s) : std::wstring();
}

int asInt(WPARAM value) {
  return static_cast<int>(static_cast<INT_PTR>(value));
}

// Copies `from` into a buffer of `max` characters, terminator included; the count copied.
int copyOut(const std::wstring& from, LPWSTR buffer, int max) {
  if (!buffer || max <= 0) return 0;
  const int n = std::min(static_cast<int>(from.size()), max - 1);
  std::wmemcpy(buffer, from.data(), static_cast<std::size_t>(n));
  buffer[n] = L'\0';
  return n;
}

void say(const std::wstring& line) {
  kx::editor::Prompter::instance().say(line);
}

// The window text of a control: a combo box shows its selected item.
std::wstring windowText(KxWindowHandle& h) {
  if (h.kind == KxWindowHandle::Kind::kDialog) return h.form->caption();
  FormControl* c = controlOf(&h);
  if (!c) return {};
  if (c->kind == KxControlKind::kComboBox)
    return c->selection >= 0 && c->selection < static_cast<int>(c->items.size())
               ? c->items[static_cast<std::size_t>(c->selection)]
               : std::wstring();
  return c->text;
}

void dispatch(KxWindowHandle& dialog, UINT id, UINT code) {
  if (dialog.owner) dialog.owner->KxDispatchCommand(id, code);
}

LRESULT dialogMessage(KxWindowHandle& h, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      dispatch(h, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      dispatch(h, IDCANCEL, BN_CLICKED);
      return 0;
    case WM_SETTEXT:
      h.form->setCaption(text(reinterpret_cast<LPCWSTR>(lParam)));
      return TRUE;
    case WM_GETTEXT:
      return copyOut(windowText(h), reinterpret_cast<LPWSTR>(lParam), asInt(wParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(windowText(h).size());
    default:
      return 0;
  }
}

LRESULT comboMessage(KxWindowHandle& h, FormControl& c, UINT message, WPARAM wParam,
                     LPARAM lParam) {
  DialogForm& form = *h.dialog->form;
  const std::size_t at = h.control;
  const int count = static_cast<int>(c.items.size());
  const int index = asInt(wParam);
  const bool inRange = index >= 0 && index < count;
  switch (message) {
    case CB_ADDSTRING:
      return form.addItem(at, text(reinterpret_cast<LPCWSTR>(lParam)));
    case CB_INSERTSTRING:
      return form.insertItem(at, index, text(reinterpret_cast<LPCWSTR>(lParam)));
    case CB_DELETESTRING:
      return form.deleteItem(at, index) ? static_cast<LRESULT>(c.items.size()) : CB_ERR;
    case CB_RESETCONTENT:
      form.clearItems(at);
      return 0;
    case CB_GETCOUNT:
      return count;
    case CB_SETCURSEL:
      return form.select(at, index) && index >= 0 ? index : CB_ERR;
    case CB_GETCURSEL:
      return c.selection;
    case CB_GETLBTEXT:
      if (!inRange || !lParam) return CB_ERR;
      {
        const std::wstring& item = c.items[static_cast<std::size_t>(index)];
        std::wmemcpy(reinterpret_cast<LPWSTR>(lParam), item.c_str(), item.size() + 1);
        return static_cast<LRESULT>(item.size());
      }
    case CB_GETLBTEXTLEN:
      return inRange ? static_cast<LRESULT>(c.items[static_cast<std::size_t>(index)].size())
                     : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
      const int found = form.findItem(at, index, text(reinterpret_cast<LPCWSTR>(lParam)),
                                      message == CB_FINDSTRINGEXACT);
      if (message == CB_SELECTSTRING && found >= 0) form.select(at, found);
      return found;
    }
    case CB_GETITEMDATA:
      return inRange ? static_cast<LRESULT>(c.itemData[static_cast<std::size_t>(index)]) : CB_ERR;
    case CB_SETITEMDATA:
      if (!inRange) return CB_ERR;
      c.itemData[static_cast<std::size_t>(index)] = static_cast<std::uintptr_t>(lParam);
      return 0;
    default:
      return CB_ERR;
  }
}

LRESULT controlMessage(KxWindowHandle& h, UINT message, WPARAM wParam, LPARAM lParam) {
  FormControl& c = *controlOf(&h);
  const bool button = c.kind == KxControlKind::kCheckBox || c.kind == KxControlKind::kRadioButton;
  switch (message) {
    case WM_SETTEXT:
      if (c.kind == KxControlKind::kComboBox) return FALSE;
      c.text = text(reinterpret_cast<LPCWSTR>(lParam));
      return TRUE;
    case WM_GETTEXT:
      return copyOut(windowText(h), reinterpret_cast<LPWSTR>(lParam), asInt(wParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(windowText(h).size());
    case BM_GETCHECK:
      return button && c.checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      if (button) c.checked = wParam != BST_UNCHECKED;
      return 0;
    case BM_CLICK: {
      if (!c.enabled || !c.visible || c.kind == KxControlKind::kComboBox) return 0;
      FormReply click;
      click.kind = FormReply::Kind::kClick;
      click.control = h.control;
      if (const auto note = h.dialog->form->apply(click)) dispatch(*h.dialog, note->id, note->code);
      return 0;
    }
    default:
      if (c.kind == KxControlKind::kComboBox && message >= CB_ADDSTRING &&
          message <= CB_FINDSTRINGEXACT)
        return comboMessage(h, c, message, wParam, lParam);
      return 0;
  }
}

// The window of a dialog while DoModal runs: made with its controls' windows, and on the way out
// (also when a handler throws) unregistered, with every module object let go.
class ModalWindow {
 public:
  ModalWindow(CDialog& owner, const KxDialogTemplate& dialogTemplate)
      : owner_(owner), form_(dialogTemplate) {
    dialog_.kind = KxWindowHandle::Kind::kDialog;
    dialog_.dialog = &dialog_;
    dialog_.form = &form_;
    dialog_.owner = &owner;
    dialog_.attached = &owner;
    controls_.reserve(form_.controls().size());
    auto& live = windows().live;
    for (std::size_t i = 0; i < form_.controls().size(); ++i) {
      auto control = std::make_unique<KxWindowHandle>();
      control->kind = KxWindowHandle::Kind::kControl;
      control->dialog = &dialog_;
      control->control = i;
      live.insert(control.get());
      dialog_.controls.push_back(control.get());
      controls_.push_back(std::move(control));
    }
    live.insert(&dialog_);
    previous_ = owner.m_hWnd;
    owner.m_hWnd = &dialog_;
  }
  ~ModalWindow() {
    auto& live = windows().live;
    for (auto& control : controls_) {
      live.erase(control.get());
      if (control->attached) control->attached->m_hWnd = nullptr;
      if (control->wrapper) control->wrapper->m_hWnd = nullptr;
    }
    live.erase(&dialog_);
    owner_.m_hWnd = previous_;
  }
  ModalWindow(const ModalWindow&) = delete;
  ModalWindow& operator=(const ModalWindow&) = delete;

  KxWindowHandle& handle() { return dialog_; }
  DialogForm& form() { return form_; }

  // The form's lines control by control, and the buttons line last: what to compare to show the
  // lines a reply changed.
  std::vector<std::wstring> snapshot() const {
    std::vector<std::wstring> lines;
    for (std::size_t i = 0; i < form_.controls().size(); ++i) lines.push_back(form_.controlLine(i));
    lines.push_back(form_.buttonsLine());
    return lines;
  }

 private:
  CDialog& owner_;
  DialogForm form_;
  KxWindowHandle dialog_;
  std::vector<std::unique_ptr<KxWindowHandle>> controls_;
  HWND previous_ = nullptr;
};

bool isCancelReply(const std::wstring& reply) {
  const auto first = reply.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return false;
  const auto last = reply.find_last_not_of(L" \t");
  const std::wstring word = reply.substr(first, last - first + 1);
  return word == L"^C" || word == L"^c";
}

// The modal loop: the form, then replies until the dialog is ended.
INT_PTR runModal(CDialog& dialog, ModalWindow& window) {
  KxWindowHandle& h = window.handle();
  DialogForm& form = window.form();
  auto& prompter = kx::editor::Prompter::instance();
  dialog.OnInitDialog();
  if (h.ended) return h.result;
  for (const std::wstring& line : form.render()) say(line);
  while (!h.ended) {
    const std::optional<std::wstring> line = prompter.ask(form.prompt());
    if (!line || isCancelReply(*line)) {
      if (line) say(L"*Cancel*");
      dispatch(h, IDCANCEL, BN_CLICKED);
      if (!h.ended) h.result = IDCANCEL;  // the input is over or the user insists: it closes
      break;
    }
    const FormReply reply = form.parse(*line);
    switch (reply.kind) {
      case FormReply::Kind::kShowForm:
        for (const std::wstring& formLine : form.render()) say(formLine);
        break;
      case FormReply::Kind::kRefused:
        prompter.refuse(reply.text);
        break;
      default: {
        const std::vector<std::wstring> before = window.snapshot();
        if (const auto note = form.apply(reply)) dispatch(h, note->id, note->code);
        if (h.ended) break;
        const std::vector<std::wstring> after = window.snapshot();
        for (std::size_t i = 0; i < after.size(); ++i)
          if (after[i] != before[i] && !after[i].empty()) say(after[i]);
      }
    }
  }
  return h.result;
}

// Reads a whole decimal integer, with blanks around it.
std::optional<long long> parseInteger(const std::wstring& s) {
  wchar_t* end = nullptr;
  errno = 0;
  const long long value = std::wcstoll(s.c_str(), &end, 10);
  if (end == s.c_str() || errno != 0) return {};
  while (*end == L' ' || *end == L'\t') ++end;
  if (*end) return {};
  return value;
}

std::wstring windowTextOf(HWND window) {
  KxWindowHandle* h = live(window);
  return h ? windowText(*h) : std::wstring();
}

}  // namespace

// ---- message maps ----

BOOL CCmdTarget::KxDispatchCommand(UINT id, UINT code) {
  for (const KxMessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const KxMessageMapEntry* e = map->entries; e->handler || e->rangeHandler; ++e) {
      if (e->message != WM_COMMAND || e->code != code || id < e->firstId || id > e->lastId)
        continue;
      if (e->handler) {
        (this->*(e->handler))();
      } else {
        (this->*(e->rangeHandler))(id);
      }
      return TRUE;
    }
  }
  return FALSE;
}

const KxMessageMap* CCmdTarget::GetThisMessageMap() {
  static const KxMessageMapEntry entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
  static const KxMessageMap map = {nullptr, entries};
  return &map;
}

const KxMessageMap* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

// ---- CWnd and controls ----

CWnd::~CWnd() {
  if (KxWindowHandle* h = live(m_hWnd); h && h->attached == this) h->attached = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
  KxWindowHandle* h = live(window);
  if (!h) return nullptr;
  if (h->attached) return h->attached;
  if (!h->wrapper) {
    const FormControl* c = controlOf(h);
    if (!c) return nullptr;
    switch (c->kind) {
      case KxControlKind::kComboBox:
        h->wrapper = std::make_unique<CComboBox>();
        break;
      case KxControlKind::kEdit:
        h->wrapper = std::make_unique<CEdit>();
        break;
      case KxControlKind::kStatic:
        h->wrapper = std::make_unique<CStatic>();
        break;
      default:
        h->wrapper = std::make_unique<CButton>();
    }
    h->wrapper->m_hWnd = h;
  }
  return h->wrapper.get();
}

CWnd* CWnd::GetDlgItem(int id) const {
  return FromHandle(::GetDlgItem(m_hWnd, id));
}

int CWnd::GetDlgCtrlID() const {
  return ::GetDlgCtrlID(m_hWnd);
}

CWnd* CWnd::GetParent() const {
  KxWindowHandle* h = live(m_hWnd);
  if (!h || h->kind == KxWindowHandle::Kind::kFrame) return nullptr;
  if (h->kind == KxWindowHandle::Kind::kControl) return FromHandle(h->dialog);
  return kxedGetKxadFrame();
}

LRESULT CWnd::SendMessageW(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable) {
  return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const {
  return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::ShowWindow(int command) {
  return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::IsWindowVisible() const {
  KxWindowHandle* h = live(m_hWnd);
  if (!h) return FALSE;
  const FormControl* c = controlOf(h);
  return !c || c->visible;
}

void CWnd::SetWindowTextW(LPCWSTR text) {
  ::SetWindowTextW(m_hWnd, text);
}

void CWnd::GetWindowTextW(CString& text) const {
  text = CString(windowTextOf(m_hWnd));
}

int CWnd::GetWindowTextW(LPWSTR buffer, int max) const {
  return ::GetWindowTextW(m_hWnd, buffer, max);
}

int CWnd::GetWindowTextLengthW() const {
  return static_cast<int>(windowTextOf(m_hWnd).size());
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  KxWindowHandle* h = live(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
  if (!h) return FALSE;
  if (h->attached && h->attached != this) h->attached->m_hWnd = nullptr;
  h->attached = this;
  m_hWnd = h;
  return TRUE;
}

int CWnd::MessageBoxW(LPCWSTR text, LPCWSTR caption, UINT type) {
  return ::MessageBoxW(m_hWnd, text, caption, type);
}

int CButton::GetCheck() const {
  return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int check) {
  ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

int CComboBox::AddString(LPCWSTR text) {
  return static_cast<int>(SendMessageW(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::InsertString(int index, LPCWSTR text) {
  return static_cast<int>(
      SendMessageW(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
}

int CComboBox::DeleteString(UINT index) {
  return static_cast<int>(SendMessageW(CB_DELETESTRING, index, 0));
}

void CComboBox::ResetContent() {
  SendMessageW(CB_RESETCONTENT, 0, 0);
}

int CComboBox::GetCount() const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0));
}

int CComboBox::SetCurSel(int index) {
  return static_cast<int>(SendMessageW(CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CComboBox::GetCurSel() const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0));
}

int CComboBox::GetLBText(int index, LPWSTR buffer) const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(buffer)));
}

void CComboBox::GetLBText(int index, CString& text) const {
  const int length = GetLBTextLen(index);
  if (length < 0) {
    text = CString(std::wstring());
    return;
  }
  std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
  GetLBText(index, item.data());
  item.resize(static_cast<std::size_t>(length));
  text = CString(item);
}

int CComboBox::GetLBTextLen(int index) const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
}

int CComboBox::FindString(int startAfter, LPCWSTR text) const {
  return static_cast<int>(::SendMessageW(m_hWnd, CB_FINDSTRING, static_cast<WPARAM>(startAfter),
                                         reinterpret_cast<LPARAM>(text)));
}

int CComboBox::FindStringExact(int startAfter, LPCWSTR text) const {
  return static_cast<int>(::SendMessageW(
      m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text)));
}

int CComboBox::SelectString(int startAfter, LPCWSTR text) {
  return static_cast<int>(SendMessageW(CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                       reinterpret_cast<LPARAM>(text)));
}

DWORD_PTR CComboBox::GetItemData(int index) const {
  return static_cast<DWORD_PTR>(
      ::SendMessageW(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
  return static_cast<int>(
      SendMessageW(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
}

// ---- data exchange ----

HWND CDataExchange::PrepareCtrl(int id) {
  const HWND dialog = m_pDlgWnd ? m_pDlgWnd->m_hWnd : nullptr;
  const HWND control = ::GetDlgItem(dialog, id);
  if (!control && liveDialog(dialog)) {
    std::cerr << "kxhost: dialog " << liveDialog(dialog)->form->templateId() << " has no control "
              << id << " to exchange data with" << std::endl;
  }
  return control;
}

void CDataExchange::Fail() {
  throw DataExchangeFailure{};
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  const HWND control = pDX->PrepareCtrl(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd) return;
  if (pDX->PrepareCtrl(id)) control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

// ---- dialogs ----

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  const KxDialogTemplate* dialogTemplate = kx::platform::lookUpDialogTemplate(templateId_);
  if (!dialogTemplate) {
    std::cerr << "kxhost: no dialog template " << templateId_ << " in the current resource module"
              << std::endl;
    return -1;
  }
  ModalWindow window(*this, *dialogTemplate);
  return runModal(*this, window);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
  ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (!liveDialog(m_hWnd)) return FALSE;
  CDataExchange exchange(this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (const DataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

void CDialog::CheckDlgButton(int id, UINT check) {
  ::CheckDlgButton(m_hWnd, id, check);
}

UINT CDialog::IsDlgButtonChecked(int id) const {
  return ::IsDlgButtonChecked(m_hWnd, id);
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId) {
  ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}

int CDialog::GetCheckedRadioButton(int firstId, int lastId) {
  KxWindowHandle* h = liveDialog(m_hWnd);
  if (!h || firstId < 0 || lastId < firstId) return 0;
  return static_cast<int>(h->form->checkedInRange(static_cast<std::uint32_t>(firstId),
                                                  static_cast<std::uint32_t>(lastId)));
}

void CDialog::SetDlgItemTextW(int id, LPCWSTR text) {
  ::SetDlgItemTextW(m_hWnd, id, text);
}

int CDialog::GetDlgItemTextW(int id, CString& text) const {
  const std::wstring value = windowTextOf(::GetDlgItem(m_hWnd, id));
  text = CString(value);
  return static_cast<int>(value.size());
}

int CDialog::GetDlgItemTextW(int id, LPWSTR buffer, int max) const {
  return static_cast<int>(::GetDlgItemTextW(m_hWnd, id, buffer, max));
}

UINT CDialog::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  const std::optional<long long> number = parseInteger(windowTextOf(::GetDlgItem(m_hWnd, id)));
  const bool ok = number && (isSigned ? *number >= INT32_MIN && *number <= INT32_MAX
                                      : *number >= 0 && *number <= UINT32_MAX);
  if (translated) *translated = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(*number) : 0;
}

void CDialog::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
  const std::wstring text =
      isSigned ? std::to_wstring(static_cast<int>(value)) : std::to_wstring(value);
  ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

LRESULT CDialog::SendDlgItemMessageW(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
}

// ---- free functions ----

extern "C" {

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  KxWindowHandle* h = live(window);
  if (!h) return 0;
  switch (h->kind) {
    case KxWindowHandle::Kind::kDialog:
      return dialogMessage(*h, message, wParam, lParam);
    case KxWindowHandle::Kind::kControl:
      return controlMessage(*h, message, wParam, lParam);
    case KxWindowHandle::Kind::kFrame:
      break;
  }
  return 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  KxWindowHandle* h = liveDialog(dialog);
  if (!h || id < 0) return nullptr;
  const std::optional<std::size_t> at = h->form->find(static_cast<std::uint32_t>(id));
  return at ? h->controls[*at] : nullptr;
}

int GetDlgCtrlID(HWND control) {
  const FormControl* c = controlOf(live(control));
  return c ? static_cast<int>(c->id) : 0;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  FormControl* c = controlOf(live(window));
  if (!c) return FALSE;
  const BOOL wasDisabled = c->enabled ? FALSE : TRUE;
  c->enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  KxWindowHandle* h = live(window);
  if (!h) return FALSE;
  const FormControl* c = controlOf(h);
  return !c || c->enabled ? TRUE : FALSE;
}

BOOL IsWindow(HWND window) {
  return live(window) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
  KxWindowHandle* h = live(window);
  if (!h) return FALSE;
  FormControl* c = controlOf(h);
  if (!c) return TRUE;
  const BOOL wasVisible = c->visible ? TRUE : FALSE;
  c->visible = command != SW_HIDE;
  return wasVisible;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  return ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int max) {
  return static_cast<int>(::SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(max),
                                         reinterpret_cast<LPARAM>(buffer)));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  const HWND control = ::GetDlgItem(dialog, id);
  if (!control) return FALSE;
  ::SendMessageW(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  KxWindowHandle* h = liveDialog(dialog);
  if (!h || firstId < 0 || lastId < firstId) return FALSE;
  h->form->checkRadioRange(static_cast<std::uint32_t>(firstId), static_cast<std::uint32_t>(lastId),
                           static_cast<std::uint32_t>(checkId));
  return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  const HWND control = ::GetDlgItem(dialog, id);
  return control ? ::SetWindowTextW(control, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int max) {
  const HWND control = ::GetDlgItem(dialog, id);
  if (!control) return static_cast<UINT>(copyOut(std::wstring(), buffer, max));
  return static_cast<UINT>(::GetWindowTextW(control, buffer, max));
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(::GetDlgItem(dialog, id), message, wParam, lParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  KxWindowHandle* h = liveDialog(dialog);
  if (!h) return FALSE;
  h->ended = true;
  h->result = result;
  return TRUE;
}

CWnd* kxedGetKxadFrame() {
  return &windows().frameWindow;
}

}  // extern "C"

// ---- where templates come from ----

namespace kx::platform {
namespace {

DialogTemplateLookup& templateLookup() {
  static DialogTemplateLookup lookup;
  return lookup;
}

}  // namespace

void setDialogTemplateLookup(DialogTemplateLookup lookup) {
  templateLookup() = std::move(lookup);
}

const KxDialogTemplate* lookUpDialogTemplate(std::uint32_t id) {
  if (const DialogTemplateLookup& lookup = templateLookup()) return lookup(id);
  return findDialogTemplate(currentResourceHandle(), id);
}

}  // namespace kx::platform
