#include "rgba/rgba_support.h"

#include <gtest/gtest.h>
#include <png.h>

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

DecodedImage DecodePng(const std::vector<std::uint8_t>& png) {
  // IHDR comes first: bit depth and colour type at bytes 24 and 25.
  constexpr std::uint8_t kRgba = 6;
  if (png.size() < 26 || png[24] != 8 || png[25] != kRgba) {
    ADD_FAILURE() << "not an 8-bit RGBA PNG";
    return {};
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    ADD_FAILURE() << "libpng: " << image.message;
    return {};
  }
  image.format = PNG_FORMAT_RGBA;
  DecodedImage decoded{
      static_cast<std::int32_t>(image.width), static_cast<std::int32_t>(image.height),
      std::vector<RgbaPixel>(static_cast<std::size_t>(image.width) * image.height)};
  if (!png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr)) {
    ADD_FAILURE() << "libpng: " << image.message;
    png_image_free(&image);
    return {};
  }
  // A warning (a bad CRC, a damaged stream that libpng recovered from) is a fault too.
  EXPECT_EQ(image.warning_or_error, 0) << image.message;
  return decoded;
}

}  // namespace morvane::rgba::testing
