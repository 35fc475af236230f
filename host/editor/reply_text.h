#pragma once
// What every reader of a user's reply does first: blanks around it do not count, and words compare
// without regard to case.

#include <string>
#include <string_view>

#include "support/case_fold.h"

namespace kx::editor {

// Without the spaces and tabs at either end.
inline std::wstring trimmed(std::wstring_view text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  const auto last = text.find_last_not_of(L" \t");
  return std::wstring(text.substr(first, last - first + 1));
}

inline std::wstring upper(std::wstring_view text) {
  return kx::support::upperCase(text);
}

inline std::wstring lower(std::wstring_view text) {
  return kx::support::lowerCase(text);
}

}  // namespace kx::editor
