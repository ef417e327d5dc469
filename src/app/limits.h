// Bounds that keep a hostile sprite from exhausting memory. No real sprite comes near them; a
// file that passes one fails with a message naming the limit, and the run goes on with the
// next file.
//
// Memory for one GIF is then bounded: one canvas of at most 64 MiB, the indexed frames of at
// most 128 MiB and the per-frame overhead of at most 4096 frames (about 40 MiB), plus the
// encoded file; about 600 MiB in all for frames of noise at the pixel limit. Time is bounded
// per GIF, not per sprite file: a file of many sequences or directions takes as long as its
// GIFs together.
#pragma once

#include <cstdint>

namespace morvane {

// A GIF's logical screen is 16 bits wide and high.
inline constexpr std::int64_t kMaxGifSide = 65535;
// Pixels of one canvas (4 bytes each): 4096 x 4096.
inline constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 24;
// Pixels over all frames of one GIF, held in memory until it is written: 280 frames of a whole
// 800 x 600 screen.
inline constexpr std::int64_t kMaxAnimationPixels = std::int64_t{1} << 27;
// Frames of one GIF. Each frame costs a few KiB besides its pixels (its colour table among
// them), so a long sequence of tiny frames is bounded by this rather than by its pixels.
inline constexpr std::int64_t kMaxGifFrames = 4096;
// Directions of one collection that a sequence is converted in.
inline constexpr std::int64_t kMaxDirections = 1024;
// Sequence positions times directions walked for one sequence.
inline constexpr std::int64_t kMaxFramePositions = std::int64_t{1} << 24;

// "Image too large for GIF" for a side over 65535; a canvas over kMaxCanvasPixels fails too.
void CheckCanvasSize(std::int64_t width, std::int64_t height);
// Fails when a GIF of frames canvases of width x height passes kMaxGifFrames or
// kMaxAnimationPixels.
void CheckAnimationSize(std::int64_t frames, std::int64_t width, std::int64_t height);
// Fails when a sequence of positions entries in directions passes the direction or walk limits.
void CheckDirectionWork(std::int64_t directions, std::int64_t positions);

}  // namespace morvane
