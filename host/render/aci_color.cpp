#include "render/aci_color.h"

#include <array>

namespace kx::render {
namespace {

// Indexes 10..249 go round the hue circle in 24 steps of 15 degrees, ten colours per hue: five
// brightness rings, each once saturated and once half saturated.
constexpr std::array<int, 5> kRingValues = {255, 204, 153, 127, 76};
constexpr std::array<int, 6> kGreys = {51, 80, 105, 130, 190, 255};  // 250..255

Rgb hueRingColor(int index) {
  const int hueStep = index / 10 - 1;
  const int ring = (index % 10) / 2;
  const bool pastel = index % 2 == 1;
  const int value = kRingValues[static_cast<std::size_t>(ring)];
  const int low = pastel ? value / 2 : 0;
  // Position in the hue circle in sixths (60 degrees), four steps per sixth.
  const int sector = hueStep / 4;
  const double fraction = (hueStep % 4) / 4.0;
  const auto mix = [&](double f) { return static_cast<std::uint8_t>(low + (value - low) * f); };
  const std::uint8_t hi = static_cast<std::uint8_t>(value), lo = static_cast<std::uint8_t>(low);
  switch (sector) {
    case 0:
      return {hi, mix(fraction), lo};
    case 1:
      return {mix(1 - fraction), hi, lo};
    case 2:
      return {lo, hi, mix(fraction)};
    case 3:
      return {lo, mix(1 - fraction), hi};
    case 4:
      return {mix(fraction), lo, hi};
    default:
      return {hi, lo, mix(1 - fraction)};
  }
}

}  // namespace

Rgb aciColor(int index) {
  switch (index) {
    case 1:
      return {255, 0, 0};
    case 2:
      return {255, 255, 0};
    case 3:
      return {0, 255, 0};
    case 4:
      return {0, 255, 255};
    case 5:
      return {0, 0, 255};
    case 6:
      return {255, 0, 255};
    case 7:
      return {0, 0, 0};
    case 8:
      return {128, 128, 128};
    case 9:
      return {192, 192, 192};
    default:
      break;
  }
  if (index >= 10 && index <= 249) return hueRingColor(index);
  if (index >= 250 && index <= 255) {
    const auto g = static_cast<std::uint8_t>(kGreys[static_cast<std::size_t>(index - 250)]);
    return {g, g, g};
  }
  return {0, 0, 0};
}

}  // namespace kx::render
