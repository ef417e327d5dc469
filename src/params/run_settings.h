// The validated conversion settings a file is converted with.
#pragma once

#include <cstdint>

#include "core/canvas.h"
#include "params/output_formats.h"

namespace morvane {

// How colour reduction maps each pixel to the palette.
enum class DitherMethod {
  kNearest,         // the nearest palette entry
  kFloydSteinberg,  // with the error diffused to the neighbours
};

// How the image data of GIF frames is coded.
enum class FrameCoding {
  kLzw,
  kRunLength,  // codes any LZW decoder reads, without compression
};

// Before the first validation the fields hold the values below, which are also the options'
// defaults.
struct RunSettingsRecord {
  bool binary_transparency = false;  // pixels drawn or left out by the threshold, not blended
  FrameCoding frame_coding = FrameCoding::kLzw;
  std::int32_t threshold = 128;     // alpha threshold for binary transparency, 1 to 256
  ColorValue background_color = 0;  // 0x00BBGGRR
  bool static_anims = false;        // every frame placed at the canvas origin
  DitherMethod dithering = DitherMethod::kFloydSteinberg;
  std::uint32_t anim_speed = 100;  // time of one frame in milliseconds, as read
  OutputFormats output_formats{.gif = true};
};

}  // namespace morvane
