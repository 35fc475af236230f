// TXT2MTXT: joins single-line texts into one multi-line text where the first of them stood, and
// erases them once it exists. The first text gives the place, height, style, layer and colour;
// each later text carries format codes where its height, colour or font differ from the text
// before it. Whether the texts make one paragraph or one each, and whether they keep the order
// they were picked in or run from top to bottom, is a per-user setting that the "SEttings"
// keyword of the selection prompt opens.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>

#include "commands/commands.h"
#include "commands/convert/text_to_mtext.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinreg.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/selection_order.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"

namespace {

constexpr wchar_t kSettingsKeyName[] = L"TextTools";
constexpr wchar_t kSettingValueName[] = L"CheckFlag";
constexpr int kDefaultSetting = 1;  // one paragraph, sorted from top to bottom

constexpr double kQuarterTurn = 1.5707963267949;

// Raised by the selection prompt's keyword callback when the user asks for the settings.
bool settingsRequested = false;

// ---- the setting, kept per user and per host profile ----

// The settings key below the current user's root; empty (the root itself) when the profile
// cannot be told.
CString settingsKeyPath() {
  const CString profile = stringVariable(L"CPROFILE");
  if (profile.IsEmpty()) return CString();
  return CString(kxdbHostApplicationServices()->getUserProductRootKey()) + L"\\Profiles\\" +
         profile + L"\\UserInterfaceSettings\\" + kSettingsKeyName;
}

bool readCombineSetting(int& setting) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, settingsKeyPath(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return false;
  wchar_t data[500 / sizeof(wchar_t) + 1] = L"";
  DWORD size = 500;
  DWORD type = REG_NONE;
  const LONG queried = RegQueryValueExW(key, kSettingValueName, nullptr, &type,
                                        reinterpret_cast<LPBYTE>(data), &size);
  RegCloseKey(key);
  // Only the leading integer counts, so "2.000000" and a hand-written "2" read the same.
  return queried == ERROR_SUCCESS && std::swscanf(data, L"%d", &setting) == 1;
}

// A setting that cannot be written is not kept: the next run starts from the default again.
void writeCombineSetting(double setting) {
  const CString path = settingsKeyPath();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  wchar_t text[250];
  std::swprintf(text, 250, L"%f", setting);
  const DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
  RegSetValueExW(key, kSettingValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  RegCloseKey(key);
}

int settingOf(bool join, bool keepOrder) {
  return (join ? 0 : 2) + (keepOrder ? 0 : 1);
}

}  // namespace

// ---- the settings dialog ----

class DialogTxt2MTxt : public CDialog {
 public:
  explicit DialogTxt2MTxt(CWnd* parent = nullptr) : CDialog(res::kTxt2mtxtDialog, parent) {}

  int m_join = 0;
  int m_selectionOrderChosen = 0;
  int m_sortedChosen = 1;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, res::kTxt2mtxtJoin, m_join);
  }

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    selectionOrderButton_ = GetDlgItem(res::kTxt2mtxtKeepOrder);
    joinBox_ = GetDlgItem(res::kTxt2mtxtJoin);
    sortedButton_ = GetDlgItem(res::kTxt2mtxtSortDown);
    int setting = -1;
    // A value outside 0 to 3 leaves the controls as the data exchange set them.
    if (!readCombineSetting(setting) || setting < 0 || setting > 3) return TRUE;
    const bool join = setting < 2;
    const bool keepOrder = setting % 2 == 0;
    check(joinBox_, join);
    check(selectionOrderButton_, keepOrder);
    check(sortedButton_, !keepOrder);
    m_selectionOrderChosen = keepOrder ? 1 : 0;
    m_sortedChosen = keepOrder ? 0 : 1;
    return TRUE;
  }

  void OnSelectionOrder() {
    m_selectionOrderChosen = 1;
    m_sortedChosen = 0;
  }
  void OnSorted() {
    m_selectionOrderChosen = 0;
    m_sortedChosen = 1;
  }

  DECLARE_MESSAGE_MAP()

 private:
  static void check(CWnd* control, bool on) {
    if (control) control->SendMessageW(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  CWnd* selectionOrderButton_ = nullptr;
  CWnd* joinBox_ = nullptr;
  CWnd* sortedButton_ = nullptr;
};

BEGIN_MESSAGE_MAP(DialogTxt2MTxt, CDialog)
ON_BN_CLICKED(res::kTxt2mtxtKeepOrder, &DialogTxt2MTxt::OnSelectionOrder)
ON_BN_CLICKED(res::kTxt2mtxtSortDown, &DialogTxt2MTxt::OnSorted)
END_MESSAGE_MAP()

namespace {

// ---- selection ----

// Any keyword ends the selection prompt; "SEttings" also asks for the dialog.
resbuf* onSelectionKeyword(const wchar_t* keyword) {
  if (!keyword) return nullptr;
  if (sameKeyword(keyword, L"SEttings")) settingsRequested = true;
  resbuf* stop = kxutNewRb(KXRT_SHORT);
  stop->value.int16 = -1;
  return stop;
}

int selectTextsToCombine(kds_name set) {
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"TEXT", 0);
  const CString addPrompt = loadString(res::kTxt2mtxtSelect);
  const CString removePrompt = loadString(res::kTxt2mtxtRemove);
  const CString keywords = loadString(res::kTxt2mtxtKeywords);
  const wchar_t* prompts[2] = {addPrompt, removePrompt};
  kxedSSSetKwordCallbackPtr(onSelectionKeyword);
  const int status =
      kxedSSGet(L":$:L:C:K", prompts, static_cast<const wchar_t*>(keywords), filter, set);
  kxedSSSetKwordCallbackPtr(nullptr);
  kxutRelRb(filter);
  return status;
}

// ---- the conversion ----

double realOr(resbuf* list, int code, double fallback) {
  const resbuf* entry = entryByGroup(list, code);
  return entry ? entry->value.real : fallback;
}

// The font file (group 3) of a text style; false when there is no such style.
bool styleFontFile(const wchar_t* style, wchar_t* font, int size) {
  resbuf* record = kxdbTblSearch(L"STYLE", style, 0);
  if (!record) return false;
  font[0] = L'\0';
  stringByGroup(record, 3, font, size);
  kxutRelRb(record);
  return true;
}

// The colour the entity shows with: its group 62, by layer (256) where it has none.
int colorOf(resbuf* list) {
  const resbuf* entry = entryByGroup(list, 62);
  return entry ? entry->value.int16 : 256;
}

// Builds the multi-line text from the texts of `set` and adds it to the drawing; the host's
// result of making it. The texts themselves are left alone.
int combineTexts(bool join, bool keepOrder, const kds_name set) {
  SSOrderList records;
  collectSelectionOrder(set, records);
  if (!keepOrder) sortSelectionOrder(records, TextOrder::kY);
  if (records.GetSize() == 0) return KXRT_ERROR;

  resbuf* first = kxdbEntGet(records[0].name);
  if (!first) return KXRT_ERROR;
  double insertion[3] = {records[0].x, records[0].y, 0};
  if (const resbuf* entry = entryByGroup(first, 10)) std::copy_n(entry->value.point, 3, insertion);
  double normal[3] = {0, 0, 1};
  if (const resbuf* entry = entryByGroup(first, 210)) std::copy_n(entry->value.point, 3, normal);
  const double height = realOr(first, 40, 0);
  const double rotation = realOr(first, 50, 0);
  wchar_t style[kShortTextCapacity] = L"Standard";
  wchar_t layer[kLayerNameCapacity] = L"0";
  stringByGroup(first, 7, style, kShortTextCapacity);
  stringByGroup(first, 8, layer, kLayerNameCapacity);
  const resbuf* firstText = entryByGroup(first, 1);
  std::wstring contents = mtextFromTextString(firstText ? firstText->value.string : L"");
  const int color = colorOf(first);

  double currentHeight = height;
  int currentColor = color;
  wchar_t currentStyle[kShortTextCapacity];
  copyShortText(currentStyle, style);
  wchar_t currentFont[512] = L"";
  styleFontFile(style, currentFont, 512);

  // The MTEXT turns as the first text does, measured from the current UCS's x axis.
  const KxGeVector3d ucsZ = currentUcsNormal();
  const double zAxis[3] = {ucsZ.x, ucsZ.y, ucsZ.z};
  const resbuf ucs = coordinateSystem(1);
  const resbuf ucsPlane = objectSystem(zAxis);
  const double xAxis[3] = {1, 0, 0};
  double xInPlane[3] = {1, 0, 0};
  kxedTrans(xAxis, &ucs, &ucsPlane, 1, xInPlane);
  const double mtextRotation = rotation - std::atan2(xInPlane[1], xInPlane[0]);

  KxGePoint3d low, high;
  textExtents(records[0].name, low, high);
  double left = low.x, right = high.x;

  // Its top left corner a text height above the first text's insertion point, along the UCS Y.
  const resbuf textPlane = objectSystem(normal);
  const double worldUp[3] = {0, 0, 1};
  const resbuf world = objectSystem(worldUp);
  double inUcs[3], raised[3], location[3];
  kxedTrans(insertion, &textPlane, &ucs, 0, inUcs);
  kxutPolar(inUcs, kQuarterTurn, height, raised);
  kxedTrans(raised, &ucs, &world, 0, location);
  kxutRelRb(first);

  for (INT_PTR i = 1; i < records.GetSize(); ++i) {
    resbuf* list = kxdbEntGet(records[i].name);
    const resbuf* text = entryByGroup(list, 1);
    int textColor = colorOf(list);
    const double textHeight = realOr(list, 40, 0);
    wchar_t textStyle[kShortTextCapacity] = L"";
    stringByGroup(list, 7, textStyle, kShortTextCapacity);

    textExtents(records[i].name, low, high);
    right = std::fmax(right, high.x);
    left = std::fmin(left, low.x);

    std::wstring prefix = join ? L"" : L"\\P";
    if (textHeight != currentHeight) {
      currentHeight = textHeight;
      wchar_t code[kShortTextCapacity];
      formatShortText(code, L"\\H%lf;", textHeight);
      prefix += code;
    }
    if (textColor == 0) textColor = 256;
    if (textColor != currentColor) {
      currentColor = textColor;
      wchar_t code[kShortTextCapacity];
      formatShortText(code, L"\\C%d;", textColor);
      prefix += code;
    }
    if (!sameKeyword(textStyle, currentStyle)) {
      wchar_t font[512] = L"";
      if (styleFontFile(textStyle, font, 512) && !sameKeyword(font, currentFont)) {
        prefix += L"\\F";
        prefix += font;
        prefix += L";";
        std::wcscpy(currentFont, font);
      }
      copyShortText(currentStyle, textStyle);
    }
    contents += L" " + prefix + mtextFromTextString(text ? text->value.string : L"");
    kxutRelRb(list);
  }

  const double width = std::fabs(right - left);
  resbuf* mtext = kxutBuildList(KXRT_DXF0, L"MTEXT", 100, L"AcDbEntity", 100, L"AcDbMText", 10,
                                location, 1, contents.c_str(), 210, normal, 8, layer, 7, style, 50,
                                mtextRotation, 40, height, 41, width, 72, 1, 62, color, 0);
  const int made = mtext ? kxdbEntMake(mtext) : KXRT_ERROR;
  kxutRelRb(mtext);
  return made;
}

}  // namespace

void TXT2MTXT() {
  ResourceGuard guard;
  QuietHostCommands quiet;
  int setting = kDefaultSetting;
  if (!readCombineSetting(setting)) {
    setting = kDefaultSetting;
    writeCombineSetting(kDefaultSetting);
  }
  bool join = setting == 0 || setting == 1;
  bool keepOrder = setting == 0 || setting == 2;

  bool selected = false;
  int erased = 0;
  int found = 0;
  for (;;) {
    kds_name set;
    const int status = selectTextsToCombine(set);
    if (status == KXRT_CANCEL) break;
    if (status == KXRT_NORM) {
      selected = true;
      // The texts go only once the multi-line text that replaces them exists.
      if (combineTexts(join, keepOrder, set) == KXRT_NORM) {
        std::int32_t length = 0;
        kxedSSLength(set, &length);
        for (std::int32_t i = 0; i < length; ++i) {
          kds_name entity;
          kxedSSName(set, i, entity);
          if (kxdbEntDel(entity) == KXRT_NORM) ++erased;
        }
        kds_name last;
        if (kxdbEntLast(last) == KXRT_NORM) {
          kxdbEntUpd(last);
          found = 1;
        }
      }
      kxedSSFree(set);
      kxedRedraw(nullptr, 0);
      break;
    }
    if (!settingsRequested) break;
    settingsRequested = false;
    DialogTxt2MTxt dialog(kxedGetKxadFrame());
    if (dialog.DoModal() == IDOK) {
      join = dialog.m_join == 1;
      keepOrder = dialog.m_selectionOrderChosen == 1;
      writeCombineSetting(settingOf(join, keepOrder));
    }
  }
  if (selected) printFormat(res::kTxt2mtxtCombined, erased, found);
  kxedRetVoid();
}
