#include "rgba/sheet_layout.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "core/errors.h"

namespace morvane::rgba {
namespace {

[[noreturn]] void TooLarge() {
  throw Error("Image too large for sheet");
}

// The box a direction's canvas takes in the frame boxes' coordinates.
struct CanvasBox {
  std::int64_t left, top, right, bottom;
};

CanvasBox BoxOf(const DirectionCanvas& canvas, bool static_anims) {
  const bool at_origin = static_anims || canvas.background_frame;
  const std::int64_t left = at_origin ? 0 : canvas.left;
  const std::int64_t top = at_origin ? 0 : canvas.top;
  return CanvasBox{left, top, left + canvas.width, top + canvas.height};
}

}  // namespace

std::int64_t SheetLayout::FrameCount() const {
  return directions.empty() ? 0 : directions.back().first_frame + directions.back().frame_count;
}

SheetRect SheetLayout::FrameRect(std::size_t direction, std::int64_t frame) const {
  const SheetDirection& placed = directions.at(direction);
  return SheetRect{(frame % cells_per_row) * cell_width,
                   (placed.first_row + frame / cells_per_row) * cell_height, cell_width,
                   cell_height};
}

SheetLayout LayOutSheet(std::span<const DirectionCanvas> directions, bool static_anims) {
  if (directions.empty()) throw std::invalid_argument("a sheet needs at least one direction");
  // Canvas sides and corners come from 32-bit canvases; bounding them keeps every sum below
  // far from 64 bits.
  constexpr std::int64_t kMaxCoordinate = std::int64_t{1} << 40;
  for (const DirectionCanvas& canvas : directions) {
    if (canvas.width < 1 || canvas.height < 1 || canvas.frame_count < 1 ||
        canvas.width > kMaxCoordinate || canvas.height > kMaxCoordinate ||
        std::max(std::abs(canvas.left), std::abs(canvas.top)) > kMaxCoordinate)
      throw std::invalid_argument("a sheet direction needs a canvas and a frame");
  }

  // The cell: the union of the canvas boxes (with static anims all at the origin, so the
  // largest width and height).
  CanvasBox cell = BoxOf(directions.front(), static_anims);
  for (const DirectionCanvas& canvas : directions) {
    const CanvasBox box = BoxOf(canvas, static_anims);
    cell = CanvasBox{std::min(cell.left, box.left), std::min(cell.top, box.top),
                     std::max(cell.right, box.right), std::max(cell.bottom, box.bottom)};
  }
  SheetLayout layout;
  layout.cell_width = cell.right - cell.left;
  layout.cell_height = cell.bottom - cell.top;
  // At least one cell in each direction: a cell too large is a sheet too large.
  if (layout.cell_width > kMaxSheetSide || layout.cell_height > kMaxSheetSide) TooLarge();
  layout.cells_per_row = std::max<std::int64_t>(1, kMaxSheetSide / layout.cell_width);
  if (!static_anims) {
    layout.pivot_x = Fraction{-cell.left, layout.cell_width};
    layout.pivot_y = Fraction{-cell.top, layout.cell_height};
  }

  // Rows are counted only while the sheet can still fit, so the sum never runs away.
  const std::int64_t max_rows = kMaxSheetSide / layout.cell_height;
  std::int64_t most_frames = 0;
  std::int64_t frames = 0;
  for (const DirectionCanvas& canvas : directions) {
    const CanvasBox box = BoxOf(canvas, static_anims);
    SheetDirection placed;
    placed.offset_x = box.left - cell.left;
    placed.offset_y = box.top - cell.top;
    placed.canvas_width = canvas.width;
    placed.canvas_height = canvas.height;
    placed.frame_count = canvas.frame_count;
    placed.first_frame = frames;
    placed.first_row = layout.rows;
    placed.rows = (canvas.frame_count - 1) / layout.cells_per_row + 1;
    if (placed.rows > max_rows - layout.rows) TooLarge();
    layout.rows += placed.rows;
    frames += canvas.frame_count;
    most_frames = std::max(most_frames, canvas.frame_count);
    layout.directions.push_back(placed);
  }
  layout.columns = std::min(layout.cells_per_row, most_frames);
  layout.width = layout.columns * layout.cell_width;
  layout.height = layout.rows * layout.cell_height;
  if (layout.width > kMaxSheetSide || layout.height > kMaxSheetSide ||
      layout.width * layout.height > kMaxSheetPixels || frames > kMaxSheetFrames)
    TooLarge();
  return layout;
}

}  // namespace morvane::rgba
