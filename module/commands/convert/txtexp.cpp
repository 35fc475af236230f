// TXTEXP: explodes single-line and multi-line texts into the outlines of their glyphs and erases
// them. Texts on locked layers are left and reported; a text that gives no geometry (nothing but
// blanks, say) is kept, so nothing it held is lost. The current layer is unlocked while the
// outlines are made and locked again afterwards.

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "resource_ids.h"
#include "toolkit/system_variables.h"

namespace {

resbuf* buildFilter() {
  const bool withoutReactors = shortVariable(L"TXTEXPMODE") == 1;
  // Mode 1 leaves out texts tied to other objects (those with reactors).
  if (withoutReactors)
    return kxutBuildList(-4, L"<AND", -4, L"<OR", KXRT_DXF0, L"MTEXT", KXRT_DXF0, L"TEXT", -4,
                         L"OR>", -4, L"<NOT", 102, L"{ACAD_REACTORS", -4, L"NOT>", -4, L"AND>", 0);
  return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"MTEXT", KXRT_DXF0, L"TEXT", -4, L"OR>", 0);
}

KxDbEntity* openEntity(const kds_name entity) {
  KxDbObjectId id;
  KxDbEntity* object = nullptr;
  if (kxdbGetObjectId(id, entity) != KXRT_NORM ||
      kxdbOpenObject(object, id, KxDb::kForRead) != Kxad::eOk)
    return nullptr;
  return object;
}

// Adds to `unlocked` the texts of `set` whose layer is not locked; false when a text cannot be
// opened.
bool collectUnlocked(const kds_name set, KxDbLayerTable* layers, kds_name unlocked) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    KxDbEntity* text = openEntity(entity);
    if (!text) return false;
    wchar_t* layerName = text->layer();
    text->close();
    KxDbLayerTableRecord* layer = nullptr;
    if (layers->getAt(layerName, layer, KxDb::kForRead) == Kxad::eOk) {
      if (!layer->isLocked()) kxedSSAdd(entity, unlocked, unlocked);
      layer->close();
    }
    kxutDelBuffer(&layerName);
  }
  return true;
}

// Outlines every text of `set` and erases it; how many gave no outline and were kept.
int explodeTexts(const kds_name set) {
  int kept = 0;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    KxDbEntity* text = openEntity(entity);
    if (!text) continue;
    if (KxDbTxtExp(text) != Kxad::eOk) {
      ++kept;
    } else if (text->upgradeOpen() == Kxad::eOk) {
      text->erase();
    }
    text->close();
  }
  return kept;
}

}  // namespace

void TXTEXP() {
  ResourceGuard guard;
  kds_name unlocked;
  kxedSSAdd(nullptr, nullptr, unlocked);

  resbuf* filter = buildFilter();
  const CString prompt = loadString(res::kTxtexpSelect);
  const wchar_t* prompts[2] = {prompt, prompt};
  kds_name set;
  const int selected = kxedSSGet(L":$", prompts, nullptr, filter, set);
  kxutRelRb(filter);
  if (selected != KXRT_NORM) {
    kxedSSFree(unlocked);
    return;
  }

  KxDbDatabase* db = kxdbHostApplicationServices()->workingDatabase();
  KxDbLayerTable* layers = nullptr;
  if (!db || db->getLayerTable(layers, KxDb::kForRead) != Kxad::eOk) {
    kxedSSFree(set);
    kxedSSFree(unlocked);
    return;
  }
  const bool opened = collectUnlocked(set, layers, unlocked);
  layers->close();
  std::int32_t total = 0, usable = 0;
  kxedSSLength(set, &total);
  kxedSSLength(unlocked, &usable);
  if (opened && usable < total) printString(res::kTxtexpLockedLeftOut);
  if (!opened || usable == 0) {
    kxedSSFree(set);
    kxedSSFree(unlocked);
    return;
  }

  // The outlines go on the texts' own layers, but the host makes nothing while the current layer
  // is locked.
  KxDbLayerTableRecord* current = nullptr;
  bool relock = false;
  if (kxdbOpenObject(current, db->clayer(), KxDb::kForWrite) == Kxad::eOk) {
    if (current->isLocked()) {
      current->setIsLocked(false);
      relock = true;
    }
    current->close();
  }
  if (const int kept = explodeTexts(unlocked); kept > 0) printFormat(res::kTxtexpNoGeometry, kept);
  if (relock && kxdbOpenObject(current, db->clayer(), KxDb::kForWrite) == Kxad::eOk) {
    current->setIsLocked(true);
    current->close();
  }
  kxedSSFree(set);
  kxedSSFree(unlocked);
}
