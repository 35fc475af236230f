#pragma once
// Colours of a picture: the 256 indexed colours of a drawing and the rules that pick an entity's
// colour.

#include <cstdint>

namespace kx::render {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

// The colour of index 1..255 as the standard table gives it; index 7 is black, since pictures have
// a white background. Anything out of range gives black.
Rgb aciColor(int index);

// A true colour as group 420 holds it: 0x00RRGGBB.
constexpr Rgb trueColor(long long value) {
  return {static_cast<std::uint8_t>((value >> 16) & 0xFF),
          static_cast<std::uint8_t>((value >> 8) & 0xFF), static_cast<std::uint8_t>(value & 0xFF)};
}

}  // namespace kx::render
