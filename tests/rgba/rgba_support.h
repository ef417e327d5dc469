// Test frames for the full-alpha encoders' tests.
#pragma once

#include <cstdint>
#include <vector>

#include "rgba/rgba_frame.h"
#include "support/full_alpha_decoders.h"

namespace morvane::rgba::testing {

// A width x height frame whose pixels vary with (x, y, seed) in every channel: fully
// transparent ones with colour under them, opaque ones and every partial alpha in between.
std::vector<RgbaPixel> PatternFrame(std::int32_t width, std::int32_t height, std::uint32_t seed);

using morvane::testing::DecodedImage;
using morvane::testing::DecodePng;

}  // namespace morvane::rgba::testing
