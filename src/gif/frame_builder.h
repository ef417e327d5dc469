// Frames of a GIF made from true-colour canvases by colour reduction.
#pragma once

#include <span>
#include <vector>

#include "core/canvas.h"
#include "gif/color_reduction.h"
#include "gif/gif_image.h"

namespace morvane::gif {

// A frame of the canvas's size with the reduction's 256-entry table as its local map and one
// index per pixel; an empty canvas gives an empty frame. Raises "Image too large for GIF" for a
// canvas a GIF cannot hold, before any reduction.
GifFrame BuildFrame(const RgbCanvas& canvas, const ReductionSettings& settings);

// Frames for several canvases, the same as BuildFrame of each in order, faster when canvases
// have one size. Every size is checked before any canvas is reduced.
std::vector<GifFrame> BuildFrames(std::span<const RgbCanvas> canvases,
                                  const ReductionSettings& settings);

}  // namespace morvane::gif
