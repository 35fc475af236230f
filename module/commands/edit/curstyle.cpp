// CURSTYLE: makes the text style of a picked text the drawing's current one, so the texts the
// user writes next look the same.

#include <cwchar>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {}  // namespace

void CURSTYLE() {
  ResourceGuard guard;
  kds_name picked;
  for (;;) {
    double point[3];
    const int status = kxedEntSel(loadString(res::kSelectText), picked, point);
    if (status == KXRT_CANCEL || status == KXRT_NONE) return;
    if (status != KXRT_NORM) continue;
    const PickedText kind = pickedText(picked);
    if (kind == PickedText::kText || kind == PickedText::kMText) break;
    if (kind == PickedText::kOther) printFormat(res::kNotATextPicked, 0);
  }

  // A text that names no style is written in the drawing's default one.
  wchar_t style[kShortTextCapacity] = L"Standard";
  resbuf* list = kxdbEntGet(picked);
  stringByGroup(list, 7, style, kShortTextCapacity);
  kxutRelRb(list);

  resbuf value{};
  value.code = KXRT_STR;
  kxutNewString(style, &value.value.string);
  kxedSetVar(L"TEXTSTYLE", &value);
  kxutDelBuffer(&value.value.string);
  printFormat(res::kCurstyleSet, style);
}
