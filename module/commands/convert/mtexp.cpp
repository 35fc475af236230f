// MTEXP: explodes multi-line texts into single-line texts with the host's own EXPLODE, which
// decides how lines, format codes and columns become texts.

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxed.h"
#include "resource_ids.h"
#include "toolkit/system_variables.h"

namespace {}  // namespace

void MTEXP() {
  ResourceGuard guard;
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"MTEXT", 0);
  const CString addPrompt = loadString(res::kMtexpSelect);
  const CString removePrompt = loadString(res::kRemoveObjects);
  const wchar_t* prompts[2] = {addPrompt, removePrompt};
  kds_name set;
  const int selected = kxedSSGet(L":$", prompts, nullptr, filter, set);
  kxutRelRb(filter);
  if (selected != KXRT_NORM) return;

  CmdEchoGuard quiet;
  // The set is the whole of the command's selection: the host ends it where the arguments end.
  const int exploded = kxedCommand(KXRT_STR, L"_.EXPLODE", KXRT_PICKS, set, KXRT_NONE);
  printString(exploded == KXRT_NORM ? res::kMtexpDone : res::kMtexpFailed);
  kxedSSFree(set);
}
