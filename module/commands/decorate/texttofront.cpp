// TEXTTOFRONT: brings every text, dimension or leader of the current space to the front of the
// draw order, so hatches, images and wipeouts drawn later no longer hide them.

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/system_variables.h"

namespace {

constexpr int kReplyCapacity = 64;

// (-4 "<OR") (0 type) ... (-4 "OR>") for the kind the reply's first letter names; anything else
// is every kind.
resbuf* typeFilter(wchar_t letter) {
  switch (letter) {
    case L'T':
      return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"TEXT", KXRT_DXF0, L"MTEXT", KXRT_DXF0,
                           L"ATTDEF", -4, L"OR>", 0);
    case L'D':
      return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"DIMENSION", -4, L"OR>", 0);
    case L'L':
      return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"LEADER", KXRT_DXF0, L"MULTILEADER", -4, L"OR>",
                           0);
    default:
      return kxutBuildList(-4, L"<OR", KXRT_DXF0, L"TEXT", KXRT_DXF0, L"MTEXT", KXRT_DXF0,
                           L"ATTDEF", KXRT_DXF0, L"DIMENSION", KXRT_DXF0, L"LEADER", KXRT_DXF0,
                           L"MULTILEADER", -4, L"OR>", 0);
  }
}

// The current space: paper space of the current layout when its sheet is active (CVPORT 1),
// model space otherwise.
resbuf* spaceFilter() {
  if (shortVariable(L"CVPORT") == 1) {
    const CString layout = stringVariable(L"CTAB");
    if (!layout.IsEmpty()) return kxutBuildList(67, 1, 410, static_cast<const wchar_t*>(layout), 0);
  }
  return kxutBuildList(67, 0, 0);
}

}  // namespace

void TEXTTOFRONT() {
  ResourceGuard guard;
  kxedInitGet(0, loadString(res::kTexttofrontKeywords));
  wchar_t reply[kReplyCapacity] = L"";
  const int status = kxedGetKword(loadString(res::kTexttofrontPrompt), reply, kReplyCapacity);
  if (status != KXRT_NORM && status != KXRT_NONE) return;
  if (status == KXRT_NONE) reply[0] = L'\0';

  resbuf* filter = spaceFilter();
  resbuf* last = filter;
  while (last && last->next) last = last->next;
  if (last) last->next = typeFilter(reply[0]);

  std::int32_t count = 0;
  kds_name set;
  if (filter && kxedSSGet(L"X", nullptr, nullptr, filter, set) == KXRT_NORM) {
    kxedSSLength(set, &count);
    if (count > 0) {
      CmdEchoGuard quiet;
      kxedCommand(KXRT_STR, L"_.draworder", KXRT_PICKS, set, KXRT_STR, L"", KXRT_STR, L"_FRONT",
                  KXRT_NONE);
    }
    kxedSSFree(set);
  }
  kxutRelRb(filter);
  if (count != 0)
    printFormat(res::kTexttofrontDone, static_cast<int>(count));
  else
    printString(res::kTexttofrontNothing);
}
