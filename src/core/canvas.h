// The true-colour canvas frames are composited onto.
#pragma once

#include <cstdint>
#include <vector>

namespace morvane {

// Colour values are 0x00BBGGRR: red in the low byte.
using ColorValue = std::uint32_t;

struct CanvasPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// A width x height true-colour image, (0, 0) at the top left. Writes outside the canvas are
// dropped and reads outside it give 0, so drawing code never needs to clip by itself.
class RgbCanvas {
 public:
  RgbCanvas() = default;
  // The caller bounds the size; negative sizes give an empty canvas.
  RgbCanvas(std::int32_t width, std::int32_t height);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // Fills [left, right) x [top, bottom), clipped to the canvas.
  void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                ColorValue colour);

  bool Contains(std::int64_t x, std::int64_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  ColorValue GetPixel(std::int64_t x, std::int64_t y) const {
    return Contains(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : 0;
  }
  // Only the low 24 bits are stored.
  void SetPixel(std::int64_t x, std::int64_t y, ColorValue colour) {
    if (Contains(x, y)) pixels_[static_cast<std::size_t>(y) * width_ + x] = colour & 0xFFFFFFu;
  }
  // Row y, Width() colour values; y must lie inside the canvas.
  const ColorValue* Row(std::int32_t y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * width_;
  }
  // Row y for writing; only the low 24 bits of each value may be set.
  ColorValue* MutableRow(std::int32_t y) {
    return pixels_.data() + static_cast<std::size_t>(y) * width_;
  }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<ColorValue> pixels_;
};

}  // namespace morvane
