#include "rgba/sheet_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace morvane::rgba {

namespace {

// A layout as LayOutSheet makes it: every canvas inside its cells, every row inside the sheet,
// so that placing the frames never writes past the row of cells.
SheetLayout CheckedLayout(SheetLayout layout) {
  bool sound = layout.cell_width >= 1 && layout.cell_height >= 1 && layout.cells_per_row >= 1 &&
               layout.columns >= 1 && layout.columns <= layout.cells_per_row &&
               layout.width == layout.columns * layout.cell_width &&
               layout.height == layout.rows * layout.cell_height && layout.width <= kMaxSheetSide &&
               layout.height <= kMaxSheetSide && !layout.directions.empty();
  std::int64_t rows = 0;
  for (const SheetDirection& d : layout.directions) {
    sound = sound && d.offset_x >= 0 && d.offset_y >= 0 && d.canvas_width >= 1 &&
            d.canvas_height >= 1 && d.offset_x + d.canvas_width <= layout.cell_width &&
            d.offset_y + d.canvas_height <= layout.cell_height && d.frame_count >= 1 &&
            d.first_row == rows && d.rows == (d.frame_count - 1) / layout.cells_per_row + 1 &&
            std::min(d.frame_count, layout.cells_per_row) <= layout.columns;
    if (!sound) break;
    rows += d.rows;
  }
  if (!sound || rows != layout.rows) throw std::invalid_argument("not a sheet layout");
  return layout;
}

}  // namespace

SheetWriter::SheetWriter(SheetLayout layout, PngWriter writer)
    : layout_(CheckedLayout(std::move(layout))),
      png_(static_cast<std::int32_t>(layout_.width), static_cast<std::int32_t>(layout_.height),
           writer),
      row_(static_cast<std::size_t>(layout_.width) *
           static_cast<std::size_t>(layout_.cell_height)) {}

void SheetWriter::AddFrame(const RgbaFrameView& frame) {
  if (Complete()) throw std::logic_error("every frame of the sheet is in already");
  const SheetDirection& placed = layout_.directions[direction_];
  if (frame.width != placed.canvas_width || frame.height != placed.canvas_height ||
      frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height)
    throw std::invalid_argument("a sheet frame must be its direction's canvas");

  const auto sheet_width = static_cast<std::size_t>(layout_.width);
  const auto column = static_cast<std::size_t>(frame_ % layout_.cells_per_row);
  const auto width = static_cast<std::size_t>(frame.width);
  RgbaPixel* cell_origin = row_.data() + static_cast<std::size_t>(placed.offset_y) * sheet_width +
                           column * static_cast<std::size_t>(layout_.cell_width) +
                           static_cast<std::size_t>(placed.offset_x);
  for (std::size_t y = 0; y < static_cast<std::size_t>(frame.height); ++y)
    std::copy_n(frame.pixels.data() + y * width, width, cell_origin + y * sheet_width);

  // A row of cells is complete when it is full or its direction ends.
  ++frame_;
  const bool direction_done = frame_ == placed.frame_count;
  if (direction_done || frame_ % layout_.cells_per_row == 0) FlushRow();
  if (direction_done) {
    ++direction_;
    frame_ = 0;
  }
}

void SheetWriter::FlushRow() {
  const auto sheet_width = static_cast<std::size_t>(layout_.width);
  for (std::size_t y = 0; y < static_cast<std::size_t>(layout_.cell_height); ++y)
    png_.AddRow(std::span<const RgbaPixel>(row_.data() + y * sheet_width, sheet_width));
  std::fill(row_.begin(), row_.end(), RgbaPixel{0});
}

std::vector<std::uint8_t> SheetWriter::Finish() {
  if (!Complete()) throw std::logic_error("a sheet finished before its last frame");
  row_ = {};
  return png_.Finish();
}

}  // namespace morvane::rgba
