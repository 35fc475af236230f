#include "dxf/number_syntax.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace kx::dxf {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Plain decimals ("12.5", "-0.125") with at most 15 digits: the digits and the power of ten are
// both exact doubles, so one division gives the correctly rounded value, as from_chars would.
// Drawings are full of such numbers; anything else is left to from_chars.
std::optional<double> simpleDecimal(std::string_view s) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = s.data();
  const char* const end = p + s.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  if (p == end || end - p > 16) return std::nullopt;  // 15 digits and a point at most
  std::uint64_t digits = 0;
  int count = 0;
  const char* point = nullptr;
  for (; p != end; ++p) {
    const auto digit = static_cast<unsigned>(*p - '0');
    if (digit < 10) {
      digits = digits * 10 + digit;
      ++count;
    } else if (*p == '.' && !point) {
      point = p;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0 || count > 15) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowers[point ? end - point - 1 : 0];
  return negative ? -value : value;
}

}  // namespace

bool isRealText(std::string_view text) {
  const std::string_view s = trimmed(text);
  size_t i = 0;
  const size_t n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && isDigit(s[i])) ++i, ++digits;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && isDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == n;
}

bool isIntegerText(std::string_view text) {
  const std::string_view s = trimmed(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t start = i;
  while (i < s.size() && isDigit(s[i])) ++i;
  return i > start && i == s.size();
}

bool isHexText(std::string_view text) {
  const std::string_view s = trimmed(text);
  for (char c : s)
    if (!isHexDigit(c)) return false;
  return !s.empty();
}

bool isValidValue(ValueType type, std::string_view text) {
  switch (type) {
    case ValueType::Real:
      return isRealText(text);
    case ValueType::Int16:
    case ValueType::Int32:
    case ValueType::Int64:
    case ValueType::Bool:
      // Some writers put a real where an integer belongs ("1.0"); readers take its integer part.
      return isIntegerText(text) || isRealText(text);
    case ValueType::Handle:
      return isHexText(text);
    case ValueType::Binary:
    case ValueType::String:
      return true;
  }
  return true;
}

std::optional<double> parseReal(std::string_view text) {
  std::string_view s = text;
  if (!s.empty() && (isBlank(s.front()) || isBlank(s.back()))) s = trimmed(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (const auto simple = simpleDecimal(s)) return simple;
  double value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<long long> parseInteger(std::string_view text) {
  std::string_view s = trimmed(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  long long value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc() && end == s.data() + s.size()) return value;
  if (auto real = parseReal(text); real && std::fabs(*real) < 9.2e18)
    return static_cast<long long>(*real);
  return std::nullopt;
}

std::optional<unsigned long long> parseHex(std::string_view text) {
  const std::string_view s = trimmed(text);
  unsigned long long value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

}  // namespace kx::dxf
