#include "core/canvas.h"

#include <algorithm>

namespace morvane {

template <typename Format>
PixelCanvas<Format>::PixelCanvas(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
}

template <typename Format>
void PixelCanvas<Format>::FillRect(std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom, Pixel value) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) return;
  value &= Format::kStoredBits;
  for (std::int32_t y = top; y < bottom; ++y) {
    Pixel* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(row + left, row + right, value);
  }
}

template class PixelCanvas<RgbPixels>;
template class PixelCanvas<RgbaPixels>;

}  // namespace morvane
