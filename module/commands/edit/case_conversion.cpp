#include "commands/edit/case_conversion.h"

#include <cwctype>

namespace {

wchar_t upper(wchar_t c) {
  return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

wchar_t lower(wchar_t c) {
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

// Copies the backslash at `i` and the character after it; returns the index of the last one
// copied. A backslash at the very end is copied alone.
std::size_t copyPair(const std::wstring& text, std::size_t i, std::wstring& out) {
  out.push_back(text[i]);
  if (i + 1 < text.size()) out.push_back(text[++i]);
  return i;
}

template <typename Map>
std::wstring mapOutsidePairs(const std::wstring& text, Map map) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\')
      i = copyPair(text, i, out);
    else
      out.push_back(map(text[i]));
  }
  return out;
}

}  // namespace

std::wstring toSentenceCase(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  bool capitalise = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool periodEnds = c == L'.' && (i + 1 >= text.size() || text[i + 1] != L'.');
    if (c == L'{' || c == L'}') {
      out.push_back(c);
    } else if (periodEnds) {
      out.push_back(c);
      capitalise = true;
    } else if (c == L'\\') {
      i = copyPair(text, i, out);
    } else {
      out.push_back(capitalise ? upper(c) : lower(c));
      capitalise = false;
    }
  }
  return out;
}

std::wstring toTitleCase(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  bool capitalise = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L' ') {
      out.push_back(c);
      capitalise = true;
    } else if (c == L'{' || c == L'}') {
      out.push_back(c);
    } else if (c == L'\\') {
      if (text[i + 1] == L'P') capitalise = true;  // a trailing backslash meets the terminator
      i = copyPair(text, i, out);
    } else {
      out.push_back(capitalise ? upper(c) : lower(c));
      capitalise = false;
    }
  }
  return out;
}

std::wstring toToggleCase(const std::wstring& text) {
  return mapOutsidePairs(text, [](wchar_t c) {
    const wchar_t u = upper(c);
    return u != c ? u : lower(c);
  });
}

std::wstring toUpperCase(const std::wstring& text, bool isMText) {
  if (isMText) return mapOutsidePairs(text, upper);
  std::wstring out(text);
  for (wchar_t& c : out) c = upper(c);
  return out;
}

std::wstring toLowerCase(const std::wstring& text, bool isMText) {
  if (isMText) return mapOutsidePairs(text, lower);
  std::wstring out(text);
  for (wchar_t& c : out) c = lower(c);
  return out;
}

std::wstring convertCase(const std::wstring& text, CaseConversion conversion, bool isMText) {
  switch (conversion) {
    case CaseConversion::kLower:
      return toLowerCase(text, isMText);
    case CaseConversion::kUpper:
      return toUpperCase(text, isMText);
    case CaseConversion::kTitle:
      return toTitleCase(text);
    case CaseConversion::kToggle:
      return toToggleCase(text);
    case CaseConversion::kSentence:
      break;
  }
  return toSentenceCase(text);
}
