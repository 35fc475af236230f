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

void BURST() {
  notAvailable(L"BURST");
}
void ATTOUT() {
  notAvailable(L"ATTOUT");
}
void ATTIN() {
  notAvailable(L"ATTIN");
}
void GATTE() {
  notAvailable(L"GATTE");
}
