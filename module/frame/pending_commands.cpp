// Commands whose work is still being written: they say so and end without touching the drawing.

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxed.h"

namespace {

void notAvailable(const wchar_t* name) {
  ResourceGuard guard;
  kxutPrintf(L"\n%s is not available in this version of the text commands.\n", name);
}

}  // namespace

void TXTEXP() {
  notAvailable(L"TXTEXP");
}
void TXT2MTXT() {
  notAvailable(L"TXT2MTXT");
}
void MTEXP() {
  notAvailable(L"MTEXP");
}
void GB2BIG5() {
  notAvailable(L"GB2BIG5");
}
