#include "platform/chinese_mapping.h"

#include <algorithm>
#include <string_view>

#include "kx/kxchars.h"

namespace kx::platform {
namespace {

char32_t lookUp(std::span<const CharPair> pairs, char32_t c) {
  const auto it =
      std::lower_bound(pairs.begin(), pairs.end(), c,
                       [](const CharPair& p, char32_t value) { return p.from < value; });
  return it != pairs.end() && it->from == c ? it->to : c;
}

// wchar_t holds UTF-32 here; a negative value (a wchar_t that is not a code point) maps to itself.
wchar_t mapWide(std::span<const CharPair> pairs, wchar_t c) {
  if (c < 0x80) return c;
  return static_cast<wchar_t>(lookUp(pairs, static_cast<char32_t>(c)));
}

}  // namespace
}  // namespace kx::platform

extern "C" int LCMapStringW(LCID /*locale*/, DWORD mapFlags, const wchar_t* source, int sourceCount,
                            wchar_t* destination, int destinationCount) {
  std::span<const kx::platform::CharPair> pairs;
  if (mapFlags == LCMAP_TRADITIONAL_CHINESE) {
    pairs = kx::platform::simplifiedToTraditionalPairs();
  } else if (mapFlags == LCMAP_SIMPLIFIED_CHINESE) {
    pairs = kx::platform::traditionalToSimplifiedPairs();
  } else {
    return 0;
  }
  if (source == nullptr || sourceCount == 0 || sourceCount < -1 || destinationCount < 0) return 0;

  // With -1 the terminating null is part of the string, and of the count returned.
  const std::size_t length =
      sourceCount == -1 ? std::wstring_view(source).size() + 1 : std::size_t(sourceCount);
  if (length > std::size_t(INT32_MAX)) return 0;
  if (destinationCount == 0) return static_cast<int>(length);
  if (destination == nullptr || std::size_t(destinationCount) < length) return 0;

  // Character by character, so mapping in place (destination == source) works as well.
  for (std::size_t i = 0; i < length; ++i) destination[i] = kx::platform::mapWide(pairs, source[i]);
  return static_cast<int>(length);
}
