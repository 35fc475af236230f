#include "toolkit/text_selection.h"
#include "resource_ids.h"

#include <string>
#include <utility>
#include <vector>

#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxge.h"
#include "kx/kxwincoll.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"

namespace {

// The text's normal; nothing for an entity that is not a text.
bool textNormal(KxDbObject* object, KxGeVector3d& normal) {
  if (KxDbText* text = KxDbText::cast(object)) {
    normal = text->normal();
    return true;
  }
  if (KxDbMText* mtext = KxDbMText::cast(object)) {
    normal = mtext->normal();
    return true;
  }
  return false;
}

bool isLayerLocked(const wchar_t* layer) {
  resbuf* record = kxdbTblSearch(L"LAYER", layer, 0);
  const resbuf* flags = entryByGroup(record, 70);
  const bool locked = flags && (flags->value.int16 & 4);
  kxutRelRb(record);
  return locked;
}

// Whether layers are locked, each looked up once: a drawing has a few layers and many texts.
using LayerLocks = std::vector<std::pair<std::wstring, bool>>;

bool onLockedLayer(const kds_name entity, LayerLocks& known) {
  resbuf* list = kxdbEntGet(entity);
  wchar_t layer[128] = L"";
  const bool named = stringByGroup(list, 8, layer, 128) == KXRT_NORM;
  kxutRelRb(list);
  if (!named) return false;
  for (const auto& [name, locked] : known)
    if (name == layer) return locked;
  known.emplace_back(layer, isLayerLocked(layer));
  return known.back().second;
}

bool anyLayerLocked() {
  // The next record is asked for only while none was found locked: each one asked for is ours to
  // free.
  bool locked = false;
  for (resbuf* record = kxdbTblNext(L"LAYER", 1); record && !locked;
       record = locked ? nullptr : kxdbTblNext(L"LAYER", 0)) {
    const resbuf* flags = entryByGroup(record, 70);
    locked = flags && (flags->value.int16 & 4);
    kxutRelRb(record);
  }
  return locked;
}

}  // namespace

resbuf* buildTextFilter() {
  return kxutBuildList(-4, L"<or", -4, L"<and", KXRT_DXF0, L"TEXT", -4, L"and>", -4, L"<and",
                       KXRT_DXF0, L"MTEXT", -4, L"and>", -4, L"<and", KXRT_DXF0, L"ATTDEF", -4,
                       L"and>", -4, L"or>", 0);
}

int selectTexts(kds_name set) {
  resbuf* filter = buildTextFilter();
  const int result = kxedSSGet(nullptr, nullptr, nullptr, filter, set);
  kxutRelRb(filter);
  return result;
}

int selectTextsUngrouped(kds_name set) {
  ZeroedVariableGuard noGroupPicks(L"PICKSTYLE");
  return selectTexts(set);
}

bool openTextCommand(kds_name set) {
  printString(res::kSelectTexts);
  if (selectTextsUngrouped(set) == KXRT_NORM) return true;
  printString(res::kNothingSelected);
  return false;
}

int selectWithOwnPrompt(UINT addPrompt, const resbuf* filter, kds_name set) {
  const CString add = loadString(addPrompt);
  const CString remove = loadString(res::kRemoveObjects);
  const wchar_t* prompts[2] = {add, remove};
  return kxedSSGet(L":$", prompts, nullptr, filter, set);
}

int selectSingleLineTexts(UINT addPrompt, kds_name set) {
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"TEXT", 0);
  const int result = selectWithOwnPrompt(addPrompt, filter, set);
  kxutRelRb(filter);
  return result;
}

PickedText pickedText(const kds_name entity) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  KxDbObject* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForRead) != Kxad::eOk) return PickedText::kUnopened;
  PickedText kind = PickedText::kOther;
  if (KxDbMText::cast(object))
    kind = PickedText::kMText;
  else if (KxDbText::cast(object) && !KxDbAttributeDefinition::cast(object) &&
           !KxDbAttribute::cast(object))
    kind = PickedText::kText;
  object->close();
  return kind;
}

int filterTextsOutOfPlane(kds_name set, std::int32_t& dropped) {
  const KxGeVector3d ucsNormal = currentUcsNormal();

  CArray<KxDbObjectId> outOfPlane;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    KxDbObjectId id;
    kxdbGetObjectId(id, entity);
    KxDbObject* object = nullptr;
    if (kxdbOpenObject(object, id, KxDb::kForRead) != Kxad::eOk) continue;
    KxGeVector3d normal;
    if (textNormal(object, normal) && !normal.normalize().isEqualTo(ucsNormal)) {
      ++dropped;
      outOfPlane.Add(id);
    }
    object->close();
  }

  // Removed only now, so the indexes above stayed valid.
  for (INT_PTR i = 0; i < outOfPlane.GetSize(); ++i) {
    kds_name entity;
    if (kxdbGetKdsName(entity, outOfPlane[i]) != KXRT_NORM) continue;
    kxedSSDel(entity, set);
    kxedRedraw(entity, 4);
  }
  return 1;
}

int dropLockedTexts(kds_name set) {
  // Most drawings lock no layer; then no text needs its layer read.
  if (!anyLayerLocked()) return 0;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  int dropped = 0;
  LayerLocks known;
  for (std::int32_t i = 0; i < length;) {
    kds_name entity;
    kxedSSName(set, i, entity);
    if (!onLockedLayer(entity, known)) {
      ++i;
      continue;
    }
    kxedSSDel(entity, set);
    --length;
    ++dropped;
  }
  return dropped;
}

bool keepTextsInPlane(kds_name set) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  std::int32_t dropped = 0;
  filterTextsOutOfPlane(set, dropped);
  if (dropped > 0)
    printFormat(dropped == 1 ? res::kOneNotInUcsPlane : res::kManyNotInUcsPlane,
                static_cast<int>(dropped));
  if (dropped == length) {
    printString(res::kNothingSelected);
    kxedSSFree(set);
    return false;
  }
  return true;
}

SelectionCallbackGuard::SelectionCallbackGuard(KxSSCallback keywordCallback,
                                               KxSSCallback otherCallback)
    : otherCallback_(otherCallback) {
  kxedSSGetKwordCallbackPtr(&savedKeyword_);
  kxedSSSetKwordCallbackPtr(keywordCallback);
  if (otherCallback_) {
    kxedSSGetOtherCallbackPtr(&savedOther_);
    kxedSSSetOtherCallbackPtr(otherCallback_);
  }
}

SelectionCallbackGuard::~SelectionCallbackGuard() {
  kxedSSSetKwordCallbackPtr(savedKeyword_);
  if (otherCallback_) kxedSSSetOtherCallbackPtr(savedOther_);
}
