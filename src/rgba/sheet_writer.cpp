#include "rgba/sheet_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace morvane::rgba {

SheetWriter::SheetWriter(SheetLayout layout, PngWriter writer)
    : layout_(std::move(layout)),
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
