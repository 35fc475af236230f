// TXTULINE underlines whole single-line texts and DELULINE takes that underline off again, by the
// underline codes a text opens with. Codes further into a text underline only part of it and are
// left alone.

#include <string>

#include "commands/commands.h"
#include "commands/edit/underline_codes.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "resource_ids.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_selection.h"

namespace {

enum class Underline { kAdd, kRemove };

// A text that cannot be opened for write (on a locked layer) is skipped without a word.
void changeUnderline(const kds_name entity, Underline change) {
  KxDbObjectId id;
  if (kxdbGetObjectId(id, entity) != KXRT_NORM) return;
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForWrite) != Kxad::eOk) return;
  if (KxDbText* text = KxDbText::cast(object)) {
    wchar_t* string = text->textString();
    const std::wstring before = string ? string : L"";
    if (change == Underline::kAdd) {
      text->setTextString(underlined(before).c_str());
    } else if (leadingUnderlineCodes(before) % 2 == 1) {
      text->setTextString(notUnderlined(before).c_str());
    }
    kxutDelBuffer(&string);
  }
  object->close();
}

void underlineCommand(Underline change) {
  ResourceGuard guard;
  kds_name set;
  if (selectSingleLineTexts(res::kSelectSingleLineTexts, set) != KXRT_NORM) return;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    if (kxedSSName(set, i, entity) == KXRT_NORM) changeUnderline(entity, change);
  }
  CmdEchoGuard quiet;
  kxedCommand(KXRT_STR, L"_.REDRAW", KXRT_NONE);
  kxedSSFree(set);
}

}  // namespace

void TXTULINE() {
  underlineCommand(Underline::kAdd);
}

void DELULINE() {
  underlineCommand(Underline::kRemove);
}
