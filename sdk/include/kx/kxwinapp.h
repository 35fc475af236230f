#pragma once
// The host's application object: profile values (integers and strings by section and entry) a
// module keeps between runs. They live with the registry values in the user's settings folder.
// Section and entry names compare without regard to case.

#include <string>

#include "kx/kxwinreg.h"

class CKxadWinApp {
 public:
  // The integer at section/entry; `defaultValue` when there is none. A string entry counts when
  // it starts with a decimal number.
  UINT GetProfileIntW(LPCWSTR section, LPCWSTR entry, int defaultValue);
  BOOL WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value);
};

extern "C" CKxadWinApp* kxedGetKxadWinApp();
