// Where each frame of a sequence goes on its sprite sheet.
//
// All cells have one size: the union of the directions' canvases placed by their frame boxes'
// coordinates (with static anims, which put every frame at a canvas's origin, the largest
// canvas width and height). Each direction starts a new row and fills N cells a row, N being
// as many cells as fit in kMaxSheetSide (at least 1); frame k of a direction goes to column
// k mod N of its row k div N. The sheet is as wide as the longest direction's frames need (at
// most N cells) and as high as its rows. Everything is computed in 64 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace morvane::rgba {

inline constexpr std::int64_t kMaxSheetSide = 16384;
inline constexpr std::int64_t kMaxSheetPixels = std::int64_t{1} << 26;
// Frames of one sheet. Each takes a line of about 300 bytes in the atlas, so a sheet of tiny
// cells is bounded by this rather than by its pixels: 16 directions of the longest GIF.
inline constexpr std::int64_t kMaxSheetFrames = std::int64_t{1} << 16;

// One direction's canvas as its GIF has it.
struct DirectionCanvas {
  // The canvas's top left corner in the frame boxes' coordinates: the frame boxes' origin (0, 0)
  // lies at (-left, -top) on the canvas.
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t width = 0;        // at least 1
  std::int64_t height = 0;       // at least 1
  std::int64_t frame_count = 0;  // the GIF's frames, at least 1
  // The GIF holds only the plain background frame of a direction without a drawn frame; its
  // canvas then counts as (0, 0, width, height), whatever left and top say.
  bool background_frame = false;
};

struct SheetRect {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  friend bool operator==(const SheetRect&, const SheetRect&) = default;
};

// numerator / denominator, the denominator positive.
struct Fraction {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
  friend bool operator==(const Fraction&, const Fraction&) = default;
};

struct SheetDirection {
  // Where the direction's canvas sits in each of its cells; the rest of a cell is transparent.
  std::int64_t offset_x = 0;
  std::int64_t offset_y = 0;
  std::int64_t canvas_width = 0;
  std::int64_t canvas_height = 0;
  std::int64_t frame_count = 0;
  std::int64_t first_frame = 0;  // its first frame's place among all the sheet's frames
  std::int64_t first_row = 0;
  std::int64_t rows = 0;
};

struct SheetLayout {
  std::int64_t cell_width = 0;
  std::int64_t cell_height = 0;
  std::int64_t cells_per_row = 0;  // N: the cells a direction fills before it wraps
  std::int64_t columns = 0;        // the sheet's width in cells: min(N, most frames of any)
  std::int64_t rows = 0;
  std::int64_t width = 0;   // pixels: columns x cell_width
  std::int64_t height = 0;  // pixels: rows x cell_height
  // The frame boxes' origin within a cell, as a fraction of the cell's width and height (0 with
  // static anims); it may lie outside 0 to 1.
  Fraction pivot_x;
  Fraction pivot_y;
  std::vector<SheetDirection> directions;

  std::int64_t FrameCount() const;
  // Frame `frame` of direction `direction` (both in range).
  SheetRect FrameRect(std::size_t direction, std::int64_t frame) const;
};

// The layout of a sheet of these directions (at least one, each as DirectionCanvas requires;
// std::invalid_argument otherwise). Raises Error "Image too large for sheet" when the sheet
// would be wider or higher than kMaxSheetSide, hold more than kMaxSheetPixels pixels or more
// than kMaxSheetFrames frames.
SheetLayout LayOutSheet(std::span<const DirectionCanvas> directions, bool static_anims);

}  // namespace morvane::rgba
