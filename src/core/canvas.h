// The canvases frames are composited onto: true colour for the GIF, and true colour with
// straight alpha for outputs that keep the frames' transparency.
#pragma once

#include <concepts>
#include <cstdint>
#include <vector>

namespace morvane {

// Colour values are 0x00BBGGRR: red in the low byte.
using ColorValue = std::uint32_t;
// Colour values with straight (not premultiplied) 8-bit alpha, 0xAABBGGRR: in memory the bytes
// red, green, blue, alpha on a little-endian machine.
using RgbaValue = std::uint32_t;

struct CanvasPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The pixel formats of a canvas: which bits of a 32-bit value its pixels keep.
struct RgbPixels {
  static constexpr std::uint32_t kStoredBits = 0x00FFFFFFu;
};
struct RgbaPixels {
  static constexpr std::uint32_t kStoredBits = 0xFFFFFFFFu;
};

// A width x height image, (0, 0) at the top left, every pixel 0 at first. Writes outside the
// canvas are dropped and reads outside it give 0, so drawing code never needs to clip by itself.
// Only the format's bits of a value are stored.
template <typename Format>
class PixelCanvas {
 public:
  using Pixel = std::uint32_t;

  PixelCanvas() = default;
  // The caller bounds the size; negative sizes give an empty canvas.
  PixelCanvas(std::int32_t width, std::int32_t height);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // Fills [left, right) x [top, bottom), clipped to the canvas.
  void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                Pixel value);

  bool Contains(std::int64_t x, std::int64_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  Pixel GetPixel(std::int64_t x, std::int64_t y) const {
    return Contains(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : 0;
  }
  void SetPixel(std::int64_t x, std::int64_t y, Pixel value) {
    if (Contains(x, y))
      pixels_[static_cast<std::size_t>(y) * width_ + x] = value & Format::kStoredBits;
  }
  // Row y, Width() values; y must lie inside the canvas.
  const Pixel* Row(std::int32_t y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * width_;
  }
  // Row y for writing; only the format's bits of each value may be set.
  Pixel* MutableRow(std::int32_t y) {
    return pixels_.data() + static_cast<std::size_t>(y) * width_;
  }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<Pixel> pixels_;
};

// True colour, ColorValue pixels; what the GIF is reduced from.
using RgbCanvas = PixelCanvas<RgbPixels>;
// True colour with straight alpha, RgbaValue pixels; starts fully transparent, (0, 0, 0, 0).
using RgbaCanvas = PixelCanvas<RgbaPixels>;

extern template class PixelCanvas<RgbPixels>;
extern template class PixelCanvas<RgbaPixels>;

// The canvases frames can be drawn onto.
template <typename Canvas>
concept DrawingCanvas = std::same_as<Canvas, RgbCanvas> || std::same_as<Canvas, RgbaCanvas>;

}  // namespace morvane
