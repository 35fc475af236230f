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

auto inSet(const wchar_t* characters) {
  return [set = viewOf(characters)](wchar_t c) { return set.find(c) != std::wstring_view::npos; };
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

void CStringW::AppendFormat(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = kx::support::formatWide(format, args);
  va_end(args);
  text_ += text;
}

wchar_t CStringW::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) throw new CInvalidArgException();
  return text_[static_cast<std::size_t>(index)];
}

void CStringW::SetAt(int index, wchar_t c) {
  if (index < 0 || index >= GetLength()) throw new CInvalidArgException();
  text_[static_cast<std::size_t>(index)] = c;
}

wchar_t* CStringW::GetBuffer(int minLength) {
  if (minLength > GetLength()) text_.resize(static_cast<std::size_t>(minLength), L'\0');
  return text_.data();
}

void CStringW::ReleaseBuffer(int newLength) {
  const std::size_t length = newLength < 0
                                 ? std::wcslen(text_.c_str())
                                 : std::min(static_cast<std::size_t>(newLength), text_.size());
  text_.resize(length);
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

int CStringW::Compare(const wchar_t* other) const {
  const int c = std::wstring_view(text_).compare(viewOf(other));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CStringW::CompareNoCase(const wchar_t* other) const {
  const std::wstring_view a(text_), b = viewOf(other);
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto ca = kx::support::toLowerCase(static_cast<char32_t>(a[i]));
    const auto cb = kx::support::toLowerCase(static_cast<char32_t>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
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

int CStringW::ReverseFind(wchar_t c) const {
  const auto found = text_.rfind(c);
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

int CStringW::FindOneOf(const wchar_t* characters) const {
  const std::wstring_view set = viewOf(characters);
  if (set.empty()) return -1;
  const auto found = text_.find_first_of(set);
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

CStringW CStringW::Left(int count) const {
  return CStringW(text_.substr(0, static_cast<std::size_t>(clampIndex(count, text_.size()))));
}

CStringW CStringW::Right(int count) const {
  const int n = clampIndex(count, text_.size());
  return CStringW(text_.substr(text_.size() - static_cast<std::size_t>(n)));
}

CStringW CStringW::Mid(int first) const {
  return CStringW(text_.substr(static_cast<std::size_t>(clampIndex(first, text_.size()))));
}

CStringW CStringW::Mid(int first, int count) const {
  const int from = clampIndex(first, text_.size());
  const int n = std::clamp(count, 0, GetLength() - from);
  return CStringW(text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
}

CStringW CStringW::Tokenize(const wchar_t* separators, int& start) const {
  const std::wstring_view set = viewOf(separators);
  if (start >= 0 && start < GetLength()) {
    if (set.empty()) {  // no separators: the rest is one token
      CStringW rest = Mid(start);
      start = GetLength() + 1;
      return rest;
    }
    // Runs of separators, also at the start, make no empty tokens.
    const auto first = text_.find_first_not_of(set, static_cast<std::size_t>(start));
    if (first != std::wstring::npos) {
      auto stop = text_.find_first_of(set, first);
      if (stop == std::wstring::npos) stop = text_.size();
      start = static_cast<int>(stop) + 1;
      return CStringW(text_.substr(first, stop - first));
    }
  }
  start = -1;
  return CStringW();
}

CStringW& CStringW::MakeUpper() {
  text_ = kx::support::upperCase(text_);
  return *this;
}

CStringW& CStringW::MakeLower() {
  text_ = kx::support::lowerCase(text_);
  return *this;
}

CStringW& CStringW::MakeReverse() {
  std::reverse(text_.begin(), text_.end());
  return *this;
}

CStringW& CStringW::Trim() {
  trimRight(text_, isWhiteSpace);
  trimLeft(text_, isWhiteSpace);
  return *this;
}

CStringW& CStringW::Trim(wchar_t c) {
  return TrimRight(c).TrimLeft(c);
}

CStringW& CStringW::Trim(const wchar_t* characters) {
  return TrimRight(characters).TrimLeft(characters);
}

CStringW& CStringW::TrimLeft() {
  trimLeft(text_, isWhiteSpace);
  return *this;
}

CStringW& CStringW::TrimLeft(wchar_t c) {
  trimLeft(text_, [c](wchar_t x) { return x == c; });
  return *this;
}

CStringW& CStringW::TrimLeft(const wchar_t* characters) {
  trimLeft(text_, inSet(characters));
  return *this;
}

CStringW& CStringW::TrimRight() {
  trimRight(text_, isWhiteSpace);
  return *this;
}

CStringW& CStringW::TrimRight(wchar_t c) {
  trimRight(text_, [c](wchar_t x) { return x == c; });
  return *this;
}

CStringW& CStringW::TrimRight(const wchar_t* characters) {
  trimRight(text_, inSet(characters));
  return *this;
}

int CStringW::Replace(const wchar_t* old, const wchar_t* replacement) {
  const std::wstring_view from = viewOf(old);
  if (from.empty()) return 0;
  const std::wstring to(viewOf(replacement));  // a copy: it may point into this string
  std::wstring result;
  int count = 0;
  std::size_t pos = 0;
  for (auto found = text_.find(from); found != std::wstring::npos; found = text_.find(from, pos)) {
    result.append(text_, pos, found - pos).append(to);
    pos = found + from.size();
    ++count;
  }
  if (count) {
    result.append(text_, pos);
    text_ = std::move(result);
  }
  return count;
}

int CStringW::Replace(wchar_t old, wchar_t replacement) {
  int count = 0;
  for (wchar_t& c : text_) {
    if (c == old) {
      c = replacement;
      ++count;
    }
  }
  return count;
}

int CStringW::Remove(wchar_t c) {
  return static_cast<int>(std::erase(text_, c));
}

int CStringW::Insert(int index, wchar_t c) {
  text_.insert(static_cast<std::size_t>(clampIndex(index, text_.size())), 1, c);
  return GetLength();
}

int CStringW::Insert(int index, const wchar_t* text) {
  const std::wstring insert(viewOf(text));
  text_.insert(static_cast<std::size_t>(clampIndex(index, text_.size())), insert);
  return GetLength();
}

int CStringW::Delete(int index, int count) {
  const int from = clampIndex(index, text_.size());
  if (count > 0) text_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
  return GetLength();
}
