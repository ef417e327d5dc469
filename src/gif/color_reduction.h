// Conversion of a true-colour canvas into indexed pixels and a palette of at most 256 colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/canvas.h"
#include "gif/gif_error.h"

namespace morvane::gif {

// The ways pixels are mapped to the palette: each to its nearest entry, or with
// Floyd-Steinberg error diffusion.
inline constexpr int kDitherNearest = 0;
inline constexpr int kDitherFloydSteinberg = 1;

// How a canvas is reduced to an octree palette of its own colours: the dither method and the
// palette size as a power of two (0 to 8).
struct ReductionSettings {
  int dither_method = kDitherNearest;
  int reduction_bits = 8;
};

// The result of a reduction: a 256-entry colour table (the palette first, black after it) and
// one table index per pixel, rows top to bottom.
struct ReducedFrame {
  int width = 0;
  int height = 0;
  int palette_count = 0;
  std::array<ColorValue, 256> table{};
  std::vector<std::uint8_t> pixels;
};

// Reduces a non-empty canvas; a method other than those above raises GifError. pixels is
// storage the result's pixels may take over; whatever it holds is overwritten.
ReducedFrame ReduceBitmap(const RgbCanvas& source, const ReductionSettings& settings,
                          std::vector<std::uint8_t> pixels = {});

// The most canvases ReduceBitmaps maps in step; callers that gather canvases for it do best in
// groups of this many.
inline constexpr std::size_t kFramesInStep = 4;

// Reductions of several canvases, each the same as ReduceBitmap of its canvas, in order. With
// Floyd-Steinberg diffusion, canvases of one size have their pixels mapped up to four at a time
// in step, which lets the processor overlap their work. pixels[i], where given, is storage
// result i may take over.
std::vector<ReducedFrame> ReduceBitmaps(std::span<const RgbCanvas> sources,
                                        const ReductionSettings& settings,
                                        std::vector<std::vector<std::uint8_t>> pixels = {});

}  // namespace morvane::gif
