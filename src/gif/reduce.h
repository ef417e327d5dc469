// Conversion of a true-colour canvas into an indexed frame of at most 256 colours.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/canvas.h"

namespace morvane::gif {

// Values of GifImage::ReductionMethod and DitherMethod this converter implements.
inline constexpr int kReductionOptimized = 7;
inline constexpr int kDitherNearest = 0;
inline constexpr int kDitherFloydSteinberg = 1;

// The result of a reduction: a 256-entry colour table (the palette first, black after it) and
// one table index per pixel, rows top to bottom.
struct ReducedFrame {
  int Width = 0;
  int Height = 0;
  int PaletteCount = 0;
  std::array<ColorValue, 256> Table{};
  std::vector<std::uint8_t> Pixels;
};

// Reduces a non-empty canvas with an octree palette of 2^reduction_bits colours (method 7) and
// maps its pixels by nearest colour (dither method 0) or Floyd-Steinberg diffusion (1). Other
// methods raise GifError. pixels is storage the result's pixels may take over; whatever
// it holds is overwritten.
ReducedFrame ReduceBitmap(const RgbCanvas& source, int reduction_method, int dither_method,
                          int reduction_bits, std::vector<std::uint8_t> pixels = {});

// Two reductions at once, each the same as ReduceBitmap of its canvas; with Floyd-Steinberg
// diffusion on canvases of one size, the two frames' pixels are mapped in step, which lets the
// processor overlap their work.
std::array<ReducedFrame, 2> ReduceBitmapPair(const RgbCanvas& first, const RgbCanvas& second,
                                             int reduction_method, int dither_method,
                                             int reduction_bits,
                                             std::vector<std::uint8_t> first_pixels = {},
                                             std::vector<std::uint8_t> second_pixels = {});

}  // namespace morvane::gif
