// Test frames and an independent PNG reader for the full-alpha encoders' tests.
#pragma once

#include <cstdint>
#include <vector>

#include "rgba/rgba_frame.h"

namespace morvane::rgba::testing {

// A width x height frame whose pixels vary with (x, y, seed) in every channel: fully
// transparent ones with colour under them, opaque ones and every partial alpha in between.
std::vector<RgbaPixel> PatternFrame(std::int32_t width, std::int32_t height, std::uint32_t seed);

struct DecodedImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<RgbaPixel> pixels;
};

// Reads a PNG with libpng (its simplified API, 8-bit RGBA out); fails the test and returns an
// empty image when the file is not an 8-bit RGBA PNG that libpng reads without complaint.
DecodedImage DecodePng(const std::vector<std::uint8_t>& png);

}  // namespace morvane::rgba::testing
