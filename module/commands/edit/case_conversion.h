#pragma once
// The five case conversions of TCASE. Backslash pairs are format codes in MTEXT (and typed the
// same way in single-line texts), so all but plain upper and lower case of a single-line text
// leave the character after a backslash as it is.

#include <string>

enum class CaseConversion : wchar_t {
  kSentence = L'S',
  kLower = L'L',
  kUpper = L'U',
  kTitle = L'T',
  kToggle = L'G',
};

// Sentence case: only the character right after a sentence-ending period (and the first one) is
// capitalised, everything else lower case; braces keep the state.
std::wstring toSentenceCase(const std::wstring& text);
// Title case: the first character after a plain space or an MTEXT paragraph break capitalised.
std::wstring toTitleCase(const std::wstring& text);
std::wstring toToggleCase(const std::wstring& text);
// Upper and lower case; `isMText` protects the code letter after each backslash.
std::wstring toUpperCase(const std::wstring& text, bool isMText);
std::wstring toLowerCase(const std::wstring& text, bool isMText);

std::wstring convertCase(const std::wstring& text, CaseConversion conversion, bool isMText);
