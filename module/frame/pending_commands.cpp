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
void TEXTFIT() {
  notAvailable(L"TEXTFIT");
}
void TXT2MTXT() {
  notAvailable(L"TXT2MTXT");
}
void TORIENT() {
  notAvailable(L"TORIENT");
}
void CHGTHEI() {
  notAvailable(L"CHGTHEI");
}
void CURSTYLE() {
  notAvailable(L"CURSTYLE");
}
void TXTULINE() {
  notAvailable(L"TXTULINE");
}
void DELULINE() {
  notAvailable(L"DELULINE");
}
void MATHEI() {
  notAvailable(L"MATHEI");
}
void MTEXP() {
  notAvailable(L"MTEXP");
}
void TXTALIGN() {
  notAvailable(L"TXTALIGN");
}
void GB2BIG5() {
  notAvailable(L"GB2BIG5");
}
