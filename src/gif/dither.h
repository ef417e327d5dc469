// Mapping of true-colour pixels to palette indices, row by row in serpentine order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/canvas.h"
#include "gif/color_lookup.h"

namespace morvane::gif {

// Nearest colour without diffusion. Rows alternate direction: row 0 left to right, row 1 right
// to left, and so on; Column() is the next pixel to map.
class NearestMapper {
 public:
  NearestMapper(int width, ColorLookup& lookup) : lookup_(lookup), width_(width) {}

  int Direction() const { return direction_; }
  int Column() const { return column_; }

  int MapPixel(int red, int green, int blue) {
    const int index = lookup_.NearestIndex(red, green, blue);
    column_ += direction_;
    return index;
  }
  // Maps the rest of the current row, row[x] into out[x] for each column in walk order; the
  // same as calling MapPixel for every column up to the row's end.
  void MapRow(const ColorValue* row, std::uint8_t* out);
  void StartNextRow() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
  }

 protected:
  ColorLookup& lookup_;
  int width_;
  int direction_ = 1;
  int column_ = 0;
};

// Floyd-Steinberg error diffusion, errors kept in sixteenths. Each channel has a line buffer of
// width + 2 slots; a pixel reads its slot (the share left for it by the row before) and writes
// back the share it leaves for the next row. Left-to-right rows use slots 0 .. width-1 and
// right-to-left rows slots width+1 .. 2, so the shares of one row are read back one slot
// shifted by the next. The output bytes depend on this geometry; keep it as it is.
//
// The three channels of a slot are stored side by side (red, green, blue, unused), and the
// per-channel state likewise, so that one vector operation serves all three channels.
class FloydSteinbergDitherer : public NearestMapper {
 public:
  FloydSteinbergDitherer(int width, ColorLookup& lookup);

  int MapPixel(int red, int green, int blue);
  // Maps the rest of the current row as MapPixel would, pixel by pixel.
  void MapRow(const ColorValue* row, std::uint8_t* out);
  void StartNextRow();

  // Maps count pixels from the current column on, walking in the row's direction: the pixel
  // at first[k * Direction()] into out[k * Direction()].
  void MapRun(const ColorValue* first, std::uint8_t* out, int count);
  // The same without processor-specific code, which MapRun falls back to.
  void MapRunPortable(const ColorValue* first, std::uint8_t* out, int count);
  // The most ditherers MapRowsInStep walks together.
  static constexpr std::size_t kMaxInStep = 4;
  // MapRow for several ditherers at once, each with its own row and output; the same as MapRow
  // of each in turn, but faster when up to kMaxInStep of them stand at the same column of rows
  // of one width: their chains of dependent steps do not depend on each other, so the
  // processor overlaps them.
  static void MapRowsInStep(std::span<FloydSteinbergDitherer* const> ditherers,
                            std::span<const ColorValue* const> rows,
                            std::span<std::uint8_t* const> outs);

  int Slot() const { return slot_; }
  // The value of one channel's slot (channel 0 red, 1 green, 2 blue).
  std::int32_t SlotValue(int channel, int slot) const {
    return slots_[4 * static_cast<std::size_t>(slot) + static_cast<std::size_t>(channel)];
  }

 private:
  class Walk;
  template <std::size_t N>
  static void WalkInStep(FloydSteinbergDitherer* const* ditherers, const ColorValue* const* rows,
                         std::uint8_t* const* outs);
  // The same walk compiled for processors with AVX-512, and the body both share.
  template <std::size_t N>
  static void WalkInStepWide(FloydSteinbergDitherer* const* ditherers,
                             const ColorValue* const* rows, std::uint8_t* const* outs);
  template <std::size_t N>
  static void WalkInStepBody(FloydSteinbergDitherer* const* ditherers,
                             const ColorValue* const* rows, std::uint8_t* const* outs);

  // The pixels left in the current row, from the current column in the walk's direction.
  int RowRemaining() const { return direction_ > 0 ? width_ - column_ : column_ + 1; }
  void Advance(int count) {
    column_ += count * direction_;
    slot_ += count * direction_;
  }

  std::vector<std::int32_t> slots_;
  int slot_ = 0;
  // Red, green, blue, unused.
  std::array<std::int32_t, 4> carried_{};
  std::array<std::int32_t, 4> below_{};
  std::array<std::int32_t, 4> below_prev_{};
};

}  // namespace morvane::gif
