// Modules the host must refuse, one per build: KX_BROKEN_NO_ENTRY_POINT exports no entry point,
// KX_BROKEN_WRONG_VERSION reports another release's API, KX_BROKEN_INIT_FAILS and
// KX_BROKEN_INIT_THROWS fail their initialisation. Each registers a command and a service when
// it initialises, so a test can tell whether anything it did outlived the refusal.

#include <cstdint>
#include <stdexcept>

#include "kx/kxed.h"
#include "kx/kxedcmd.h"
#include "kx/kxrxsys.h"

extern "C" std::uint32_t kxrxGetApiVersion() {
#ifdef KX_BROKEN_WRONG_VERSION
  return (KXRX_API_VERSION & 0xFFFF) | (2020u << 16);
#else
  return KXRX_API_VERSION;
#endif
}

#ifndef KX_BROKEN_NO_ENTRY_POINT

namespace {
void leftover() {
  kxutPrintf(L"a refused module's command ran\n");
}
}  // namespace

extern "C" int kxrxEntryPoint(int message, void* packet) {
  if (message != KxRx::kInitAppMsg) return KxRx::kRetOK;
  kxrxDynamicLinker()->unlockApplication(packet);
  auto* stack = KxEdCommandStack::cast(kxrxSysRegistry()->at(KXRX_COMMAND_STACK));
  stack->addCommand(L"KX_BROKEN", L"KXLEFTOVER", L"KXLEFTOVER", KxEd::kModal, leftover);
  kxrxRegisterService(L"KxBrokenService");
#ifdef KX_BROKEN_INIT_THROWS
  throw std::runtime_error("cannot find its settings");
#endif
#ifdef KX_BROKEN_INIT_FAILS
  return KxRx::kRetError;
#else
  return KxRx::kRetOK;
#endif
}

#endif
