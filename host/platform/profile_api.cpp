// The application object's profile calls over the run's settings store.

#include <string>

#include "kx/kxwinapp.h"
#include "platform/settings_store.h"

namespace {

std::wstring text(LPCWSTR s) {
  return s ? std::wstring(s) : std::wstring();
}

// A string entry read as an integer: leading blanks, a sign and decimal digits, as profile
// files are read; nothing when it does not start with a number.
std::optional<long long> leadingNumber(const std::wstring& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  const bool negative = i < s.size() && s[i] == L'-';
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) ++i;
  if (i == s.size() || s[i] < L'0' || s[i] > L'9') return std::nullopt;
  long long value = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    if (value < 0xFFFFFFFFLL) value = value * 10 + (s[i] - L'0');
  }
  return negative ? -value : value;
}

}  // namespace

UINT CKxadWinApp::GetProfileIntW(LPCWSTR section, LPCWSTR entry, int defaultValue) {
  const auto value = kx::platform::sessionSettings().profile(text(section), text(entry));
  if (value) {
    if (const int* number = std::get_if<int>(&*value)) return static_cast<UINT>(*number);
    if (auto parsed = leadingNumber(std::get<std::wstring>(*value)))
      return static_cast<UINT>(*parsed);
  }
  return static_cast<UINT>(defaultValue);
}

BOOL CKxadWinApp::WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) {
  if (!section || !entry) return FALSE;
  kx::platform::sessionSettings().setProfile(section, entry, value);
  return TRUE;
}

extern "C" CKxadWinApp* kxedGetKxadWinApp() {
  static CKxadWinApp app;
  return &app;
}
