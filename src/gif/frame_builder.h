// Frames of a GIF made from true-colour canvases by colour reduction.
#pragma once

#include <array>

#include "core/canvas.h"
#include "gif/color_reduction.h"
#include "gif/gif_image.h"

namespace morvane::gif {

// A frame of the canvas's size with the reduction's 256-entry table as its local map and one
// index per pixel; an empty canvas gives an empty frame. Raises "Image too large for GIF" for a
// canvas a GIF cannot hold, before any reduction.
GifFrame BuildFrame(const RgbCanvas& canvas, const ReductionSettings& settings);

// Two frames, the same as two BuildFrame calls, faster when both canvases have one size. Both
// sizes are checked before either canvas is reduced.
std::array<GifFrame, 2> BuildFramePair(const RgbCanvas& first, const RgbCanvas& second,
                                       const ReductionSettings& settings);

}  // namespace morvane::gif
