// kxutWcMatch: the host's wildcard patterns for modules.

#include "kx/kxtypes.h"
#include "support/wildcard.h"

extern "C" int kxutWcMatch(const wchar_t* text, const wchar_t* pattern) {
  if (!text || !pattern) return KXRT_ERROR;
  return kx::support::wildcardMatch(text, pattern) ? KXRT_NORM : KXRT_ERROR;
}
