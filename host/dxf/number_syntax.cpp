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
  std::size_t i = 0;
  const bool negative = !s.empty() && s.front() == '-';
  if (negative) ++i;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (isDigit(c)) {
      if (++count > 15) return std::nullopt;
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / kPowers[decimals];
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
  std::string_view s = trimmed(text);
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
