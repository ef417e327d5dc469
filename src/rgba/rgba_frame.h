// Full-alpha frames as the PNG, WebP and sheet encoders take them.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

namespace morvane::rgba {

// A straight-alpha (not premultiplied) 8-bit pixel, 0xAABBGGRR: red in the low byte, alpha in
// the high one, so that in memory the bytes are R, G, B, A, the order PNG and WebP read.
using RgbaPixel = std::uint32_t;

// The encoders hand the pixels' memory to the codecs as bytes.
static_assert(std::endian::native == std::endian::little,
              "RgbaPixel's bytes are R, G, B, A in memory only on little-endian machines");

constexpr RgbaPixel PackRgba(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                             std::uint8_t alpha) {
  return RgbaPixel{red} | RgbaPixel{green} << 8 | RgbaPixel{blue} << 16 | RgbaPixel{alpha} << 24;
}
constexpr std::uint8_t AlphaOf(RgbaPixel pixel) {
  return static_cast<std::uint8_t>(pixel >> 24);
}

// One frame: width x height pixels, row by row from the top left, no padding between rows. The
// view does not own the pixels; they must stay alive while an encoder call uses them.
struct RgbaFrameView {
  std::span<const RgbaPixel> pixels;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The time every frame of a WebP and of a sheet's atlas is shown for, from the animation speed
// in milliseconds: a value from 1 to 655350 as it is, any other (0, or one too large) 100.
constexpr std::int32_t FrameDurationMs(std::int64_t anim_speed_ms) {
  constexpr std::int64_t kMaxSpeedMs = 655350;
  constexpr std::int32_t kDefaultMs = 100;
  return anim_speed_ms >= 1 && anim_speed_ms <= kMaxSpeedMs
             ? static_cast<std::int32_t>(anim_speed_ms)
             : kDefaultMs;
}

}  // namespace morvane::rgba
