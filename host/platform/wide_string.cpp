// The framework's wide string. Positions and counts that fall outside the string are clamped,
// as the framework does for its parts and searches; reading or writing one character outside the
// string is a programming error (CInvalidArgException*), never a stray memory access.

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>

#include "kx/kxwinfile.h"
#include "kx/kxwinres.h"
#include "kx/kxwinstr.h"
#include "platform/resource_modules.h"
#include "support/case_fold.h"
#include "support/wide_format.h"

namespace {

std::wstring_view viewOf(const wchar_t* text) {
  return text ? std::wstring_view(text) : std::wstring_view();
}

int clampIndex(int index, std::size_t size) {
  return std::clamp(index, 0, static_cast<int>(size));
}

// White space as the C library knows it, which includes more than ASCII's (the ideographic
// space, for one, in a locale that has it).
bool isWhiteSpace(wchar_t c) {
  return std::iswspace(static_cast<wint_t>(c)) != 0;
}

template <typename Trimmed>
void trimLeft(std::wstring& text, Trimmed trimmed) {
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), trimmed));
}

template <typename Trimmed>
void trimRight(std::wstring& text, Trimmed trimmed) {
  text.erase(std::find_if_not(text.rbegin(), text.rend(), trimmed).base(), text.end());
}

}  // namespace

CStringW::CStringW(const wchar_t* text) : text_(viewOf(text)) {}

CStringW::CStringW(const wchar_t* text, int length) {
  if (text && length > 0) text_.assign(text, static_cast<std::size_t>(length));
}

CStringW::CStringW(wchar_t c, int repeat) {
  if (repeat > 0) text_.assign(static_cast<std::size_t>(repeat), c);
}

BOOL CStringW::LoadString(UINT id) {
  return LoadString(AfxGetResourceHandle(), id);
}

BOOL CStringW::LoadString(HINSTANCE instance, UINT id) {
  const auto text = kx::platform::findString(instance, id);
  text_.assign(text.value_or(std::wstring_view()));
  return text.has_value();
}

void CStringW::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CStringW::FormatV(const wchar_t* format, va_list args) {
  // Formatted aside first: an argument may be this very string's text.
  std::wstring text = kx::support::formatWide(format, args);
  text_ = std::move(text);
}

void CStringW::Format(UINT formatId, ...) {
  CStringW format;
  format.LoadString(formatId);
  va_list args;
  va_start(args, formatId);
  FormatV(format.GetString(), args);
  va_end(args);
}

wchar_t CStringW::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) throw new CInvalidArgException();
  return text_[static_cast<std::size_t>(index)];
}

CStringW& CStringW::operator=(const wchar_t* text) {
  text_.assign(viewOf(text));  // assign copes with a pointer into this string
  return *this;
}

CStringW& CStringW::operator=(wchar_t c) {
  text_.assign(1, c);
  return *this;
}

CStringW& CStringW::operator+=(const CStringW& other) {
  text_ += other.text_;
  return *this;
}

CStringW& CStringW::operator+=(const wchar_t* text) {
  text_.append(viewOf(text));
  return *this;
}

CStringW& CStringW::operator+=(wchar_t c) {
  text_.push_back(c);
  return *this;
}

CStringW operator+(const CStringW& a, const CStringW& b) {
  return CStringW(a.text_ + b.text_);
}

CStringW operator+(const CStringW& a, const wchar_t* b) {
  CStringW result(a);
  result += b;
  return result;
}

CStringW operator+(const wchar_t* a, const CStringW& b) {
  CStringW result(a);
  result += b;
  return result;
}

CStringW operator+(const CStringW& a, wchar_t b) {
  CStringW result(a);
  result += b;
  return result;
}

bool operator==(const CStringW& a, const wchar_t* b) {
  return a.text_ == viewOf(b);
}

int CStringW::Find(wchar_t c, int start) const {
  if (start >= GetLength()) return -1;
  const auto found = text_.find(c, static_cast<std::size_t>(std::max(start, 0)));
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

int CStringW::Find(const wchar_t* text, int start) const {
  if (!text || start > GetLength()) return -1;
  const auto found = text_.find(text, static_cast<std::size_t>(std::max(start, 0)));
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

CStringW CStringW::Left(int count) const {
  return CStringW(text_.substr(0, static_cast<std::size_t>(clampIndex(count, text_.size()))));
}

CStringW& CStringW::MakeUpper() {
  text_ = kx::support::upperCase(text_);
  return *this;
}

CStringW& CStringW::Trim() {
  trimRight(text_, isWhiteSpace);
  trimLeft(text_, isWhiteSpace);
  return *this;
}
