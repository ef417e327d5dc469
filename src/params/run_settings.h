// The validated conversion settings a file is converted with.
#pragma once

#include <cstdint>

#include "core/canvas.h"

namespace morvane {

// Before the first validation the fields hold the values below, which are also the options'
// defaults.
struct RunSettingsRecord {
  std::uint32_t binary_transparency = 0;  // 1: pixels drawn or left out by the threshold
  std::uint32_t use_lzw = 1;              // 1: LZW coded frames, 0: run-length coded
  std::uint32_t threshold = 128;          // alpha threshold for binary transparency, 1 to 256
  ColorValue background_color = 0;        // 0x00BBGGRR
  std::uint32_t static_anims = 0;         // 1: every frame placed at the canvas origin
  std::uint32_t dithering = 1;            // 1: colour reduction dithers
  std::uint32_t anim_speed = 100;         // time of one frame in milliseconds, as read
};

}  // namespace morvane
