#include "rgba/rgba_support.h"

#include <gtest/gtest.h>

namespace morvane::rgba::testing {

std::vector<RgbaPixel> PatternFrame(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  std::vector<RgbaPixel> pixels;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t v = static_cast<std::uint32_t>(x * 7 + y * 13) + seed * 29;
      const std::uint32_t alpha = v % 5 == 0 ? 0 : v % 5 == 1 ? 255 : (v * 41) % 254 + 1;
      pixels.push_back(PackRgba(
          static_cast<std::uint8_t>(x * 37 + seed), static_cast<std::uint8_t>(y * 53 + seed * 3),
          static_cast<std::uint8_t>((x ^ y) * 11), static_cast<std::uint8_t>(alpha)));
    }
  return pixels;
}

}  // namespace morvane::rgba::testing
