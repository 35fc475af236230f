// GB2BIG5: turns the Chinese characters of texts into their traditional or their simplified
// forms, one character for one, so every string keeps its length. Font names in MTEXT font codes
// stay as written; an attribute definition changes only its default value. The drawing's code
// page stays as it is: it only suggests the direction.

#include <cwchar>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxchars.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxwindlg.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/system_variables.h"

namespace {

constexpr wchar_t kSimplifiedPage[] = L"ANSI_936";
constexpr wchar_t kTraditionalPage[] = L"ANSI_950";

constexpr int kWholeDrawing = 0;
constexpr int kPickObjects = 1;
constexpr int kOneLayer = 2;

}  // namespace

class CGB2Big5Dlg : public CDialog {
 public:
  CGB2Big5Dlg(CWnd* parent, const CString& drawingCodePage)
      : CDialog(res::kGb2big5Dialog, parent),
        m_drawingCodePage(drawingCodePage),
        m_targetCodePage(drawingCodePage == kSimplifiedPage ? kTraditionalPage : kSimplifiedPage) {}

  CString m_drawingCodePage;
  CString m_targetCodePage;
  int m_scope = kWholeDrawing;
  CString m_layerName;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::kGb2big5Layer, m_layerList);
  }

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (m_drawingCodePage.IsEmpty()) m_drawingCodePage = kSimplifiedPage;
    SetDlgItemTextW(res::kGb2big5CodePage, m_drawingCodePage);
    if (m_targetCodePage.IsEmpty()) m_targetCodePage = kTraditionalPage;
    CheckRadioButton(res::kGb2big5ToSimplified, res::kGb2big5ToTraditional,
                     m_targetCodePage == kTraditionalPage ? res::kGb2big5ToTraditional
                                                          : res::kGb2big5ToSimplified);
    CheckRadioButton(res::kGb2big5AllTexts, res::kGb2big5OneLayer, res::kGb2big5AllTexts);
    for (resbuf* record = kxdbTblNext(L"LAYER", 1); record; record = kxdbTblNext(L"LAYER", 0)) {
      for (const resbuf* entry = record; entry; entry = entry->next)
        if (entry->code == 2 && entry->value.string && *entry->value.string)
          m_layerList.AddString(entry->value.string);
      kxutRelRb(record);
    }
    m_layerList.SetCurSel(0);
    OnScope();
    return TRUE;
  }

  void OnOK() override {
    m_scope = IsDlgButtonChecked(res::kGb2big5AllTexts) == BST_CHECKED   ? kWholeDrawing
              : IsDlgButtonChecked(res::kGb2big5OneLayer) == BST_CHECKED ? kOneLayer
                                                                         : kPickObjects;
    const int chosen = m_layerList.GetCurSel();
    if (chosen >= 0) m_layerList.GetLBText(chosen, m_layerName);
    CDialog::OnOK();
  }

  void OnDirection() {
    m_targetCodePage = IsDlgButtonChecked(res::kGb2big5ToTraditional) == BST_CHECKED
                           ? kTraditionalPage
                           : kSimplifiedPage;
  }

  void OnScope() {
    m_layerList.EnableWindow(IsDlgButtonChecked(res::kGb2big5OneLayer) == BST_CHECKED);
  }

  DECLARE_MESSAGE_MAP()

 private:
  CComboBox m_layerList;
};

BEGIN_MESSAGE_MAP(CGB2Big5Dlg, CDialog)
ON_BN_CLICKED(res::kGb2big5ToSimplified, &CGB2Big5Dlg::OnDirection)
ON_BN_CLICKED(res::kGb2big5ToTraditional, &CGB2Big5Dlg::OnDirection)
ON_BN_CLICKED(res::kGb2big5AllTexts, &CGB2Big5Dlg::OnScope)
ON_BN_CLICKED(res::kGb2big5SelectedTexts, &CGB2Big5Dlg::OnScope)
ON_BN_CLICKED(res::kGb2big5OneLayer, &CGB2Big5Dlg::OnScope)
END_MESSAGE_MAP()

namespace {

struct FontName {
  std::size_t start;
  std::size_t length;
};

// The font names of the \f codes of MTEXT contents. A name runs to the '|' that starts the code's
// options, or to the ';' of a code without options, or, in a code left unfinished, to the end.
// An escaped backslash starts no code.
std::vector<FontName> fontNames(const std::wstring& text) {
  std::vector<FontName> names;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'\\') continue;
    if (text[i + 1] != L'f') {
      ++i;  // the escaped character, a backslash included, starts nothing
      continue;
    }
    const std::size_t start = i + 2;
    std::size_t end = text.find_first_of(L"|;", start);
    if (end == std::wstring::npos) end = text.size();
    names.push_back({start, end - start});
    i = end;
  }
  return names;
}

// `text` with each character in its simplified or traditional form (`mapping` is the platform's
// LCMAP flag); same length, font names of \f codes unchanged.
std::wstring mapChinese(const std::wstring& text, DWORD mapping) {
  if (text.empty()) return text;
  std::wstring mapped(text.size() + 1, L'\0');
  if (LCMapStringW(KX_LCID_CHINESE_SIMPLIFIED, mapping, text.c_str(), -1, mapped.data(),
                   static_cast<int>(mapped.size())) == 0)
    return text;
  mapped.resize(text.size());
  for (const FontName& name : fontNames(text))
    mapped.replace(name.start, name.length, text, name.start, name.length);
  return mapped;
}

// Converts the strings of the groups given, as one text: an MTEXT's contents are its chunks (3)
// and the last part (1), and a font code may run across a chunk boundary. Each group keeps its
// length. True when anything changed.
bool convertGroups(std::vector<resbuf*>& groups, DWORD mapping) {
  std::wstring whole;
  for (const resbuf* group : groups) whole += group->value.string;
  const std::wstring converted = mapChinese(whole, mapping);
  if (converted == whole) return false;
  std::size_t at = 0;
  for (resbuf* group : groups) {
    const std::size_t length = std::wcslen(group->value.string);
    kxutUpdString(converted.substr(at, length).c_str(), &group->value.string);
    at += length;
  }
  return true;
}

// The groups of an entity's list that hold its text.
std::vector<resbuf*> textGroups(resbuf* list) {
  std::vector<resbuf*> groups;
  const resbuf* type = nullptr;
  for (resbuf* entry = list; entry; entry = entry->next)
    if (entry->code == 0) {
      type = entry;
      break;
    }
  const bool isText =
      type && kxutWcMatch(type->value.string, L"TEXT,MTEXT,ATTDEF,ATTRIB") == KXRT_NORM;
  const bool isMText = isText && sameKeyword(type->value.string, L"MTEXT");
  for (resbuf* entry = list; entry; entry = entry->next) {
    if (!entry->value.string) continue;
    if (isMText && (entry->code == 1 || entry->code == 3)) {
      groups.push_back(entry);
    } else if (!isMText && entry->code == 1) {
      groups.push_back(entry);
      break;
    }
  }
  return groups;
}

resbuf* buildFilter(int scope, const CString& layer) {
  if (scope != kOneLayer)
    return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"MTEXT", KXRT_DXF0, L"TEXT", KXRT_DXF0, L"DIM",
                         KXRT_DXF0, L"ATTDEF", KXRT_DXF0, L"ATTRIB", -4, L"OR>", 0);
  resbuf* filter = kxutBuildList(-4, L"<or", 0);
  resbuf* tail = filter;
  for (const wchar_t* type : {L"TEXT", L"MTEXT", L"DIM", L"ATTDEF", L"ATTRIB"}) {
    tail->next = kxutBuildList(-4, L"<AND", KXRT_DXF0, type, 8, static_cast<const wchar_t*>(layer),
                               -4, L"AND>", 0);
    while (tail->next) tail = tail->next;
  }
  tail->next = kxutBuildList(-4, L"or>", 0);
  return filter;
}

// A selection never holds the attributes of block references, so those of every reference that
// has them are added here, on `layer` only when one is given.
void addAttributes(kds_name set, const wchar_t* layer) {
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"INSERT", 66, 1, 0);
  kds_name references;
  if (kxedSSGet(L"X", nullptr, nullptr, filter, references) == KXRT_NORM) {
    std::int32_t length = 0;
    kxedSSLength(references, &length);
    for (std::int32_t i = 0; i < length; ++i) {
      kds_name entity;
      kxedSSName(references, i, entity);
      while (kxdbEntNext(entity, entity) == KXRT_NORM) {
        resbuf* list = kxdbEntGet(entity);
        wchar_t type[16] = L"", entityLayer[1024] = L"";
        for (const resbuf* entry = list; entry; entry = entry->next) {
          if (entry->code == 0) std::wcsncpy(type, entry->value.string, 15);
          if (entry->code == 8) std::wcsncpy(entityLayer, entry->value.string, 1023);
        }
        kxutRelRb(list);
        if (std::wcscmp(type, L"ATTRIB") != 0) break;
        if (!layer || sameKeyword(entityLayer, layer)) kxedSSAdd(entity, set, set);
      }
    }
    kxedSSFree(references);
  }
  kxutRelRb(filter);
}

}  // namespace

void GB2BIG5() {
  ResourceGuard guard;
  CGB2Big5Dlg dialog(kxedGetKxadFrame(), stringVariable(L"DWGCODEPAGE"));
  if (dialog.DoModal() != IDOK) return;

  DWORD mapping = 0;
  if (dialog.m_targetCodePage == kTraditionalPage) mapping = LCMAP_TRADITIONAL_CHINESE;
  if (dialog.m_targetCodePage == kSimplifiedPage) mapping = LCMAP_SIMPLIFIED_CHINESE;

  resbuf* filter = buildFilter(dialog.m_scope, dialog.m_layerName);
  kds_name set;
  const bool picking = dialog.m_scope == kPickObjects;
  const int selected = kxedSSGet(picking ? nullptr : L"X", nullptr, nullptr, filter, set);
  kxutRelRb(filter);
  if (picking && selected != KXRT_NORM) return;
  if (!picking) {
    if (selected != KXRT_NORM) kxedSSAdd(nullptr, nullptr, set);
    addAttributes(set, dialog.m_scope == kOneLayer ? static_cast<const wchar_t*>(dialog.m_layerName)
                                                   : nullptr);
  }

  int unchanged = 0;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = length - 1; i >= 0 && mapping != 0; --i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    resbuf* list = kxdbEntGet(entity);
    std::vector<resbuf*> groups = textGroups(list);
    if (!groups.empty() && convertGroups(groups, mapping) && kxdbEntMod(list) != KXRT_NORM)
      ++unchanged;
    kxutRelRb(list);
  }
  if (unchanged > 0) printFormat(res::kGb2big5LeftUnchanged, unchanged);
  kxedSSFree(set);
}
