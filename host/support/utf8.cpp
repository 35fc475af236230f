#include "support/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kx::support {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t load8(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

}  // namespace

DecodedCharacter decodeUtf8Character(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  const unsigned b = *p;
  if (b < 0x80) return {b, 1, true};
  int more;
  unsigned lo = 0x80;
  unsigned hi = 0xBF;
  char32_t c;
  if (b >= 0xC2 && b <= 0xDF) {
    more = 1;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    more = 2;
    c = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;  // overlong
    if (b == 0xED) hi = 0x9F;  // surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    more = 3;
    c = b & 0x07;
    if (b == 0xF0) lo = 0x90;  // overlong
    if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return {kReplacementCharacter, 1, false};
  }
  const unsigned char* q = p + 1;
  for (int i = 0; i < more; ++i, ++q) {
    if (q == end || *q < lo || *q > hi)
      return {kReplacementCharacter, static_cast<std::size_t>(q - p), false};
    c = c << 6 | (*q & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  return {c, static_cast<std::size_t>(q - p), true};
}

void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
  }
  out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

std::string toUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) appendUtf8(out, static_cast<char32_t>(c));
  return out;
}

std::size_t asciiPrefixLength(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    if ((load8(p + i) | load8(p + i + 8) | load8(p + i + 16) | load8(p + i + 24)) & kHighBits)
      break;
  }
  for (; i + 8 <= n; i += 8) {
    if (load8(p + i) & kHighBits) break;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

bool isValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    bytes.remove_prefix(asciiPrefixLength(bytes));
    if (bytes.empty()) break;
    const DecodedCharacter d = decodeUtf8Character(bytes);
    if (!d.valid) return false;
    bytes.remove_prefix(d.length);
  }
  return true;
}

std::optional<std::wstring> decodeUtf8Strict(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const DecodedCharacter d = decodeUtf8Character(bytes);
    if (!d.valid) return std::nullopt;
    out.push_back(static_cast<wchar_t>(d.character));
    bytes.remove_prefix(d.length);
  }
  return out;
}

std::wstring decodeUtf8Lenient(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const DecodedCharacter d = decodeUtf8Character(bytes);
    if (d.valid) {
      out.push_back(static_cast<wchar_t>(d.character));
      bytes.remove_prefix(d.length);
    } else {
      out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes.front())));
      bytes.remove_prefix(1);
    }
  }
  return out;
}

std::size_t utf8CharacterCount(std::string_view bytes) {
  return static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace kx::support
