// A sprite sheet's PNG, built from the frames as they are drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rgba/png_encoder.h"
#include "rgba/rgba_frame.h"
#include "rgba/sheet_layout.h"

namespace morvane::rgba {

// Takes the sheet's frames in its order, direction by direction and frame by frame, each one
// its direction's canvas, and places them in their cells (see sheet_layout.h); the rest of the
// sheet is transparent.
//
// Memory: one row of cells, layout.width x layout.cell_height pixels of 4 bytes (at most 256
// MiB, since a sheet holds at most 2^26 pixels; 8 MiB for 32 cells of 256 x 256), and the PNG
// encoder's (png_encoder.h): with libspng about 256 KiB and the compressed bytes not taken yet
// (TakeBytes), each row of cells being compressed as soon as it is complete; with stb the whole
// sheet twice until Finish, besides the row.
class SheetWriter {
 public:
  explicit SheetWriter(SheetLayout layout, PngWriter writer = kDefaultRowPngWriter);

  // The next frame: a canvas of its direction's size (std::invalid_argument otherwise, and
  // std::logic_error once every frame is in). The view is not used after the call.
  void AddFrame(const RgbaFrameView& frame);
  // Where the next frame goes: its direction and its index there.
  std::size_t NextDirection() const { return direction_; }
  std::int64_t NextFrame() const { return frame_; }
  bool Complete() const { return direction_ == layout_.directions.size(); }

  // The bytes of the PNG file made so far and not taken yet (PngRowEncoder::TakeBytes).
  std::vector<std::uint8_t> TakeBytes() { return png_.TakeBytes(); }
  // The PNG file, or its rest after TakeBytes; every frame must be in (std::logic_error
  // otherwise). The writer is spent afterwards.
  std::vector<std::uint8_t> Finish();

 private:
  void FlushRow();

  SheetLayout layout_;
  PngRowEncoder png_;
  std::vector<RgbaPixel> row_;  // one row of cells, layout_.width wide
  std::size_t direction_ = 0;
  std::int64_t frame_ = 0;
};

}  // namespace morvane::rgba
