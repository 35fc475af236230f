#pragma once
// The framework's wide string: owns its text, loads by string number from the current resource
// source, formats printf-style with the host's rules (%s takes a wide string, as modules expect).

#include <cstdarg>
#include <string>

#include "kx/kxwindef.h"

class CStringW {
 public:
  CStringW() = default;
  CStringW(const wchar_t* text);  // null: empty
  CStringW(const wchar_t* text, int length);
  CStringW(wchar_t c, int repeat = 1);
  CStringW(const std::wstring& text) : text_(text) {}

  // Replaces the text with string `id` of the current resource source (AfxGetResourceHandle).
  // FALSE, and the string empty, when that source has no such string.
  BOOL LoadString(UINT id);
  // From the given resource module instead.
  BOOL LoadString(HINSTANCE instance, UINT id);

  void Format(const wchar_t* format, ...);
  void FormatV(const wchar_t* format, va_list args);
  // Format whose format string is string `formatId` of the current resource source.
  void Format(UINT formatId, ...);

  int GetLength() const { return static_cast<int>(text_.size()); }
  BOOL IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  wchar_t GetAt(int index) const;  // index must lie inside the string
  wchar_t operator[](int index) const { return GetAt(index); }
  operator const wchar_t*() const { return text_.c_str(); }
  const wchar_t* GetString() const { return text_.c_str(); }

  CStringW& operator=(const wchar_t* text);
  CStringW& operator=(wchar_t c);
  CStringW& operator+=(const CStringW& other);
  CStringW& operator+=(const wchar_t* text);
  CStringW& operator+=(wchar_t c);
  friend CStringW operator+(const CStringW& a, const CStringW& b);
  friend CStringW operator+(const CStringW& a, const wchar_t* b);
  friend CStringW operator+(const wchar_t* a, const CStringW& b);
  friend CStringW operator+(const CStringW& a, wchar_t b);
  friend bool operator==(const CStringW& a, const CStringW& b) { return a.text_ == b.text_; }
  friend bool operator==(const CStringW& a, const wchar_t* b);
  friend bool operator!=(const CStringW& a, const CStringW& b) { return !(a == b); }
  friend bool operator!=(const CStringW& a, const wchar_t* b) { return !(a == b); }

  // Positions are character indexes; -1 when not found.
  int Find(wchar_t c, int start = 0) const;
  int Find(const wchar_t* text, int start = 0) const;

  // The first `count` characters; a count beyond the ends is clamped.
  CStringW Left(int count) const;

  CStringW& MakeUpper();
  CStringW& Trim();  // white space at both ends

  const std::wstring& str() const { return text_; }

 private:
  std::wstring text_;
};

typedef CStringW CString;
