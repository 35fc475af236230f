// CHGTHEI gives the selected texts one height that the user types or shows by two points; MATHEI
// gives them the height of a text the user picks first. Only heights change: a text keeps its
// anchor, width and style.

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

// Single-line and multi-line texts; attributes and attribute definitions are not offered.
int selectHeightTexts(UINT addPrompt, kds_name set) {
  resbuf* filter =
      kxutBuildList(-4, L"<OR", KXRT_DXF0, L"TEXT", KXRT_DXF0, L"MTEXT", -4, L"OR>", 0);
  const int result = selectWithOwnPrompt(addPrompt, filter, set);
  kxutRelRb(filter);
  return result;
}

// Texts that cannot be opened for write (on a locked layer) keep their height without a word.
void setTextHeight(const kds_name entity, double height) {
  KxDbObjectId id;
  if (kxdbGetObjectId(id, entity) != KXRT_NORM) return;
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForWrite) != Kxad::eOk) return;
  if (KxDbMText* mtext = KxDbMText::cast(object))
    mtext->setTextHeight(height);
  else if (KxDbText* text = KxDbText::cast(object))
    text->setHeight(height);
  object->close();
}

// Through the entity list, so a text the host refuses to change (a locked layer) stays as it was.
void matchTextHeight(const kds_name entity, double height) {
  resbuf* list = kxdbEntGet(entity);
  if (resbuf* entry = entryByGroup(list, 40)) {
    entry->value.real = height;
    kxdbEntMod(list);
  }
  kxutRelRb(list);
}

}  // namespace

void CHGTHEI() {
  ResourceGuard guard;
  kds_name set;
  if (selectHeightTexts(res::kSelectText, set) != KXRT_NORM) return;
  kxedInitGet(KXINP_NOZERO | KXINP_NONEG, nullptr);
  double height = 0;
  if (kxedGetDist(nullptr, loadString(res::kChgtheiHeightPrompt), &height) == KXRT_NORM) {
    std::int32_t length = 0;
    kxedSSLength(set, &length);
    for (std::int32_t i = 0; i < length; ++i) {
      kds_name entity;
      if (kxedSSName(set, i, entity) == KXRT_NORM) setTextHeight(entity, height);
    }
  }
  kxedSSFree(set);
}

void MATHEI() {
  ResourceGuard guard;
  kds_name source;
  for (;;) {
    double picked[3];
    if (kxedEntSel(loadString(res::kMatheiSelectSource), source, picked) != KXRT_NORM) return;
    const PickedText kind = pickedText(source);
    if (kind == PickedText::kText || kind == PickedText::kMText) break;
    if (kind == PickedText::kOther) printFormat(res::kNotATextPicked, 0);
  }
  kxedRedraw(source, 3);
  double height = 0.0;
  resbuf* list = kxdbEntGet(source);
  if (const resbuf* entry = entryByGroup(list, 40)) height = entry->value.real;
  kxutRelRb(list);

  kds_name set;
  if (selectHeightTexts(res::kMatheiSelectTargets, set) != KXRT_NORM) {
    kxedRedraw(source, 4);
    return;
  }
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    if (kxedSSName(set, i, entity) == KXRT_NORM) matchTextHeight(entity, height);
  }
  kxedRedraw(source, 4);
  kxedSSFree(set);
}
