// A module that asks the user everything a module can ask: every prompt kind, a dialog from its
// resource module, a message box, the file dialog and the colour dialog; it keeps a choice in the
// registry and a run counter in the profile, so a test can drive it from a script and see the
// settings come back in the next run.

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <span>

#include "kx/kxcrash.h"
#include "kx/kxfiledlg.h"
#include "kx/kxrxapp.h"
#include "kx/kxsdk.h"
#include "kx/kxwindlg.h"

namespace {

constexpr wchar_t kChoiceKey[] = L"Software\\KxSession\\Settings";
constexpr wchar_t kChoiceValue[] = L"Choice";
constexpr UINT kSettingsDialog = 2345;
constexpr int kJoinBox = 2025;
constexpr int kBySelection = 2005;
constexpr int kByPosition = 2006;

HINSTANCE resources = nullptr;

class ResourceScope {
 public:
  ResourceScope() : saved_(AfxGetResourceHandle()) { AfxSetResourceHandle(resources); }
  ~ResourceScope() { AfxSetResourceHandle(saved_); }

 private:
  HINSTANCE saved_;
};

bool cancelled(int status, const wchar_t* step) {
  if (status != KXRT_CANCEL) return false;
  kxutPrintf(L"\nCancelled at %s.\n", step);
  return true;
}

std::wstring handleOf(const kds_name entity) {
  resbuf* list = kxdbEntGet(entity);
  std::wstring handle;
  for (resbuf* e = list; e; e = e->next)
    if (e->code == 5) handle = e->value.string;
  kxutRelRb(list);
  return handle;
}

// Every prompt in turn; each result goes on a line of its own so a test can read it.
void askEverything() {
  wchar_t text[256] = L"";
  kxedInitGet(0, L"Yes No _ Yes No");
  int status = kxedGetKword(L"\nGo on [Yes/No] <Yes>: ", text, 256);
  if (cancelled(status, L"keyword")) return;
  kxutPrintf(L"Keyword: %s\n", status == KXRT_NONE ? L"<Enter>" : text);

  double real = 0;
  kxedInitGet(KXINP_NONULL | KXINP_NOZERO | KXINP_NONEG, nullptr);
  if (cancelled(kxedGetReal(L"\nPositive number: ", &real), L"number")) return;
  kxutPrintf(L"Number: %g\n", real);

  int whole = 0;
  if (cancelled(kxedGetInt(L"\nWhole number: ", &whole), L"whole number")) return;
  kxutPrintf(L"Whole number: %d\n", whole);

  if (cancelled(kxedGetString(1, L"\nTitle: ", text, 256), L"title")) return;
  kxutPrintf(L"Title: %s\n", text);

  double point[3] = {0, 0, 0};
  kxedInitGet(KXINP_ARBITRARY, L"Center _ Center");
  status = kxedGetPoint(nullptr, L"\nPoint or [Center]: ", point);
  if (cancelled(status, L"point")) return;
  if (status == KXRT_KWORD) {
    kxedGetInput(text, 256);
    kxutPrintf(L"Input: %s\n", text);
  } else {
    kxutPrintf(L"Point: %g,%g,%g\n", point[0], point[1], point[2]);
  }

  double distance = 0;
  if (cancelled(kxedGetDist(point, L"\nDistance: ", &distance), L"distance")) return;
  kxutPrintf(L"Distance: %g\n", distance);

  double angle = 0;
  if (cancelled(kxedGetOrient(point, L"\nAngle: ", &angle), L"angle")) return;
  kxutPrintf(L"Angle: %g\n", angle * 180 / std::numbers::pi);

  kds_name entity;
  double picked[3];
  if (cancelled(kxedEntSel(L"\nPick an object: ", entity, picked), L"pick")) return;
  kxutPrintf(L"Picked: %s\n", handleOf(entity).c_str());

  double xform[4][4];
  resbuf* containers = nullptr;
  status = kxedNEntSelP(L"\nPick inside a block: ", entity, picked, 0, xform, &containers);
  if (cancelled(status, L"nested pick")) return;
  int depth = 0;
  for (resbuf* c = containers; c; c = c->next) ++depth;
  kxutRelRb(containers);
  kxutPrintf(L"Nested: %s in %d block(s)\n", handleOf(entity).c_str(), depth);

  kds_name set;
  if (cancelled(kxedSSGet(nullptr, nullptr, nullptr, nullptr, set), L"selection")) return;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  kxedSSFree(set);
  kxutPrintf(L"Selected: %d\n", static_cast<int>(length));
}

// The stored choice, "join=J order=O"; empty when none was stored.
CString storedChoice() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kChoiceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  wchar_t data[128] = L"";
  DWORD size = sizeof(data);
  DWORD type = 0;
  const LONG read =
      RegQueryValueExW(key, kChoiceValue, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? CString(data) : CString();
}

void storeChoice(const CString& choice) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kChoiceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, kChoiceValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(choice.GetString()),
                 static_cast<DWORD>((choice.GetLength() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

class SettingsDialog : public CDialog {
 public:
  SettingsDialog() : CDialog(kSettingsDialog, kxedGetKxadFrame()) {}
  int join = 1;
  int bySelection = 1;

 protected:
  BOOL OnInitDialog() override {
    int storedJoin = 0, storedOrder = 0;
    if (std::swscanf(storedChoice(), L"join=%d order=%d", &storedJoin, &storedOrder) == 2) {
      join = storedJoin;
      bySelection = storedOrder;
    }
    CDialog::OnInitDialog();
    GetDlgItem(bySelection ? kBySelection : kByPosition)->SendMessageW(BM_SETCHECK, BST_CHECKED);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_Check(pDX, kJoinBox, join); }
  void OnBySelection() { bySelection = 1; }
  void OnByPosition() { bySelection = 0; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SettingsDialog, CDialog)
ON_BN_CLICKED(kBySelection, &SettingsDialog::OnBySelection)
ON_BN_CLICKED(kByPosition, &SettingsDialog::OnByPosition)
END_MESSAGE_MAP()

void writeReport(const CString& choice) {
  IUlmInterfaces* interfaces = getUlmInterfaces();
  IUlmIOManager* io = interfaces ? interfaces->getIOManagerInterface() : nullptr;
  if (!io) return;
  resbuf result{};
  result.code = -1;
  int filter = 0;
  const int status =
      io->showFileNavigationDialog(L"Save report", L"report", L"txt;csv", KX_FILENAV_SAVE, &result,
                                   100, L"text files(*.txt)|CSV files(*.csv)", 0, &filter, 0, 0);
  if (status != KXRT_NORM || result.code != KXRT_STR) return;
  CString path(result.value.string);
  kxutDelBuffer(&result.value.string);
  try {
    CStdioFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    file.WriteString(CString(L"setting") + (filter == 1 ? L"," : L"\t") + choice + L"\n");
    file.Close();
    kxutPrintf(L"Report written: %s\n", static_cast<const wchar_t*>(path));
  } catch (CException* e) {
    kxutPrintf(L"The report could not be written.\n");
    e->Delete();
  }
}

void settings() {
  ResourceScope scope;
  CKxadWinApp* app = kxedGetKxadWinApp();
  const int runs = static_cast<int>(app->GetProfileIntW(L"KxSession", L"Runs", 0)) + 1;
  app->WriteProfileInt(L"KxSession", L"Runs", runs);
  kxutPrintf(L"Run %d, stored choice: %s\n", runs,
             storedChoice().IsEmpty() ? L"<none>" : storedChoice().GetString());

  SettingsDialog dialog;
  if (dialog.DoModal() != IDOK) {
    kxutPrintf(L"Settings unchanged.\n");
    return;
  }
  CString choice;
  choice.Format(L"join=%d order=%d", dialog.join, dialog.bySelection);
  storeChoice(choice);
  kxutPrintf(L"Stored: %s\n", choice.GetString());

  CString caption;
  caption.Format(L"%s - session test", GetOemProductName());
  if (MessageBoxW(kxedGetKxadFrame()->GetSafeHwnd(), L"Write a report file?", caption, MB_YESNO) ==
      IDYES)
    writeReport(choice);

  int colour = 7;
  if (kxedSetColorDialog(colour, TRUE, 7)) kxutPrintf(L"Colour: %d\n", colour);
}

void reportFault() {
  kxadGetCrashRecorder()->recordException(PqExceptionWithMsg("KX_SESSION_FAULT", 42));
}

constexpr KxRxCommandEntry kCommands[] = {
    {L"KX_SESSION", L"KXASK", L"KXASK", KxEd::kModal, askEverything},
    {L"KX_SESSION", L"KXSETTINGS", L"KXSETTINGS", KxEd::kModal, settings},
    {L"KX_SESSION", L"KXFAULT", L"KXFAULT", KxEd::kModal, reportFault},
};

class SessionApp : public KxRxNrxApp {
 public:
  KxRx::AppRetCode On_kInitAppMsg(void* packet) override {
    resources = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
    if (!resources) return KxRx::kRetError;
    return KxRxNrxApp::On_kInitAppMsg(packet);
  }
  KxRx::AppRetCode On_kUnloadAppMsg(void* packet) override {
    const KxRx::AppRetCode status = KxRxNrxApp::On_kUnloadAppMsg(packet);
    FreeLibrary(resources);
    resources = nullptr;
    return status;
  }
  void RegisterServerComponents() override {}

 protected:
  std::span<const KxRxCommandEntry> commandTable() const override { return kCommands; }
};

}  // namespace

KX_IMPLEMENT_NRX_ENTRYPOINT(SessionApp)
