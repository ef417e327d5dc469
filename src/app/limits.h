// Bounds that keep a hostile sprite from exhausting memory or time. No real sprite comes near
// them; a file that passes one fails with a message naming the limit, and the run goes on.
#pragma once

#include <cstdint>

namespace morvane {

// A GIF's logical screen is 16 bits wide and high.
inline constexpr std::int64_t kMaxGifSide = 65535;
// Pixels of one canvas (4 bytes each): 4096 x 4096.
inline constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 24;
// Pixels over all frames of one GIF, held in memory until it is written.
inline constexpr std::int64_t kMaxAnimationPixels = std::int64_t{1} << 28;
// Directions of one collection that a sequence is converted in.
inline constexpr std::int64_t kMaxDirections = 1024;
// Sequence positions times directions walked for one sequence.
inline constexpr std::int64_t kMaxFramePositions = std::int64_t{1} << 24;

// "Image too large for GIF" for a side over 65535; a canvas over kMaxCanvasPixels fails too.
void CheckCanvasSize(std::int64_t width, std::int64_t height);
// Fails when frames canvases of width x height pass kMaxAnimationPixels.
void CheckAnimationSize(std::int64_t frames, std::int64_t width, std::int64_t height);
// Fails when a sequence of positions entries in directions passes the direction or walk limits.
void CheckDirectionWork(std::int64_t directions, std::int64_t positions);

}  // namespace morvane
