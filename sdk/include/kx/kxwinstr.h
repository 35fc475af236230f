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
  void AppendFormat(const wchar_t* format, ...);

  int GetLength() const { return static_cast<int>(text_.size()); }
  BOOL IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  wchar_t GetAt(int index) const;  // index must lie inside the string
  void SetAt(int index, wchar_t c);
  wchar_t operator[](int index) const { return GetAt(index); }
  operator const wchar_t*() const { return text_.c_str(); }
  const wchar_t* GetString() const { return text_.c_str(); }

  // A writable buffer of at least `minLength` characters plus a terminator; ReleaseBuffer takes
  // the length from the terminator (-1) or as given.
  wchar_t* GetBuffer(int minLength = 0);
  void ReleaseBuffer(int newLength = -1);

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

  int Compare(const wchar_t* other) const;        // <0, 0, >0
  int CompareNoCase(const wchar_t* other) const;  // under the C locale's case mapping

  // Positions are character indexes; -1 when not found.
  int Find(wchar_t c, int start = 0) const;
  int Find(const wchar_t* text, int start = 0) const;
  int ReverseFind(wchar_t c) const;
  int FindOneOf(const wchar_t* characters) const;

  // Parts; counts and positions beyond the ends are clamped.
  CStringW Left(int count) const;
  CStringW Right(int count) const;
  CStringW Mid(int first) const;
  CStringW Mid(int first, int count) const;
  // The text before the next of `separators` from `start`, which moves past it; -1 at the end.
  CStringW Tokenize(const wchar_t* separators, int& start) const;

  CStringW& MakeUpper();
  CStringW& MakeLower();
  CStringW& MakeReverse();
  CStringW& Trim();  // white space at both ends
  CStringW& Trim(wchar_t c);
  CStringW& Trim(const wchar_t* characters);
  CStringW& TrimLeft();
  CStringW& TrimLeft(wchar_t c);
  CStringW& TrimLeft(const wchar_t* characters);
  CStringW& TrimRight();
  CStringW& TrimRight(wchar_t c);
  CStringW& TrimRight(const wchar_t* characters);

  int Replace(const wchar_t* old, const wchar_t* replacement);  // the number replaced
  int Replace(wchar_t old, wchar_t replacement);
  int Remove(wchar_t c);
  int Insert(int index, wchar_t c);
  int Insert(int index, const wchar_t* text);
  int Delete(int index, int count = 1);

  const std::wstring& str() const { return text_; }

 private:
  std::wstring text_;
};

typedef CStringW CString;
