// The in-memory model of one GIF file: colour maps, extensions, frames and the logical screen.
// Building frames from canvases, optimising the colour maps and writing the file work on this
// model from their own files.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <variant>
#include <vector>

#include "core/canvas.h"
#include "gif/gif_error.h"

namespace morvane::gif {

// A colour table of at most 256 entries, stored as red, green, blue bytes in file order.
// Colour values are 0x00BBGGRR.
class ColorMap {
 public:
  static constexpr int kMaxColors = 256;

  int ColorCount() const { return count_; }
  // A sorted map lists its colours by importance; the file says so with a flag.
  bool IsSorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }

  // Raises "Color table overflow" when the map already holds 256 colours.
  int AppendColor(ColorValue colour);
  // Sorted map: lowest matching index, searching up from 0. Unsorted map: highest matching
  // index, searching down from the last entry. -1 when absent.
  int FindColor(ColorValue colour) const;
  int FindOrAppendColor(ColorValue colour);
  // The colour's index, appended when missing; a full map without the colour gives its nearest
  // entry (least |dr| + |dg| + |db|, lowest index on ties) instead of overflowing.
  int FindAppendOrNearest(ColorValue colour);
  // The entry's colour; index must be below ColorCount().
  ColorValue Entry(int index) const;
  // Red, green and blue of every entry, in file order.
  std::span<const std::uint8_t> RgbBytes() const {
    return {rgb_.data(), 3 * static_cast<std::size_t>(count_)};
  }

  void Clear();
  // Replaces the entries with colours[0..count-1] (count <= 256).
  void SetColors(const ColorValue* colours, int count);

 private:
  std::array<std::uint8_t, 3 * kMaxColors> rgb_{};
  int count_ = 0;
  bool sorted_ = false;
};

// The logical screen descriptor and the global colour table.
struct GifHeader {
  std::uint16_t logical_width = 0;
  std::uint16_t logical_height = 0;
  std::uint8_t background_index = 0;
  ColorMap global_map;
};

// The graphic control extension's disposal method that restores the frame's area to the
// background before the next frame is drawn.
inline constexpr int kDisposeToBackground = 2;

// Graphic control extension: transparency, disposal and delay of one frame.
class GraphicControlExtension {
 public:
  bool TransparencyOn() const { return (packed_ & kTransparencyFlag) != 0; }
  void SetTransparencyOn(bool on);
  void SetDisposalMethod(int method);
  std::uint16_t DelayHundredths() const { return delay_; }
  void SetDelayHundredths(std::uint16_t delay) { delay_ = delay; }
  std::uint8_t TransparentIndex() const { return transparent_index_; }
  // Stores index as the transparent colour's index in the frame's active map; an index outside
  // that map (when it holds any colour) stores 0.
  void SetTransparentIndex(int index, const ColorMap& active_map);
  // The packed field: disposal method in bits 2-4, transparency flag in bit 0.
  std::uint8_t Packed() const { return packed_; }

 private:
  static constexpr std::uint8_t kTransparencyFlag = 0x01;

  std::uint8_t packed_ = 0;
  std::uint16_t delay_ = 0;
  std::uint8_t transparent_index_ = 0;
};

// The application extension that makes an animation repeat for ever.
struct LoopExtension {};

// An extension block; a frame's extensions are written before its image, in the order added.
using GifExtension = std::variant<GraphicControlExtension, LoopExtension>;

// One frame: extensions, size, local colour table and one index byte per pixel. Every frame
// lies at the top-left corner of the logical screen.
class GifFrame {
 public:
  // An empty frame, which writes nothing but its extensions.
  GifFrame() = default;
  // A frame of the given size, every pixel index 0; raises "Image too large for GIF" when a
  // side does not fit the file's 16-bit field.
  GifFrame(int width, int height);

  // Appends an extension and returns it for further set-up; the reference lasts until the next
  // extension is added to this frame.
  template <typename Extension>
  Extension& AddExtension(Extension extension) {
    return std::get<Extension>(extensions_.emplace_back(std::move(extension)));
  }
  const std::vector<GifExtension>& Extensions() const { return extensions_; }
  // The frame's first graphic control extension; null when it has none.
  GraphicControlExtension* ControlExtension();
  const GraphicControlExtension* ControlExtension() const;
  // Whether the frame has a control extension with transparency on.
  bool HasTransparency() const;

  ColorMap& LocalColorMap() { return local_map_; }
  const ColorMap& LocalColorMap() const { return local_map_; }

  std::uint16_t Width() const { return width_; }
  std::uint16_t Height() const { return height_; }
  bool IsEmpty() const { return pixels_.empty() || width_ == 0 || height_ == 0; }
  std::vector<std::uint8_t>& Pixels() { return pixels_; }
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
  // Raises "Invalid pixel coordinates" outside the frame.
  std::uint8_t PixelAt(int x, int y) const;

 private:
  std::vector<GifExtension> extensions_;
  ColorMap local_map_;
  std::uint16_t width_ = 0;
  std::uint16_t height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

// A whole GIF file: the header with the global colour map, and the frames.
class GifImage {
 public:
  const GifHeader& Header() const { return header_; }
  ColorMap& GlobalColorMap() { return header_.global_map; }
  const ColorMap& GlobalColorMap() const { return header_.global_map; }

  // Finds or appends the colour in the global map and makes its index the background index.
  void SetBackgroundColor(ColorValue colour);

  // Appends the frame and returns its index; the logical screen grows to hold it. References to
  // frames stay valid while frames are added.
  int AddFrame(GifFrame frame);
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  GifFrame& FrameAt(int index) { return frames_.at(static_cast<std::size_t>(index)); }
  const GifFrame& FrameAt(int index) const { return frames_.at(static_cast<std::size_t>(index)); }
  // The frames in file order, to iterate over; frames are added only by AddFrame.
  template <typename Iterator>
  struct FrameRange {
    Iterator first, last;
    Iterator begin() const { return first; }
    Iterator end() const { return last; }
  };
  FrameRange<std::deque<GifFrame>::iterator> Frames() { return {frames_.begin(), frames_.end()}; }
  FrameRange<std::deque<GifFrame>::const_iterator> Frames() const {
    return {frames_.begin(), frames_.end()};
  }

  // The colours a frame's pixels index: its local map when that holds a colour, else the global
  // map when that holds one, else the (empty) local map.
  ColorMap& ActiveColorMap(GifFrame& frame);
  const ColorMap& ActiveColorMap(const GifFrame& frame) const;

 private:
  GifHeader header_;
  std::deque<GifFrame> frames_;
};

}  // namespace morvane::gif
