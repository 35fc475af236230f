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

  // The string at section/entry; `defaultValue` (null: empty) when there is none. An integer
  // entry comes back in decimal.
  std::wstring GetProfileStringW(LPCWSTR section, LPCWSTR entry, LPCWSTR defaultValue = nullptr);
  // Stores a string. A null `value` removes the entry, a null `entry` the whole section.
  BOOL WriteProfileStringW(LPCWSTR section, LPCWSTR entry, LPCWSTR value);
};

extern "C" CKxadWinApp* kxedGetKxadWinApp();
