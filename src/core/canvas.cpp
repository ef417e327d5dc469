#include "core/canvas.h"

#include <algorithm>

namespace morvane {

RgbCanvas::RgbCanvas(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
}

void RgbCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, ColorValue colour) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) return;
  colour &= 0xFFFFFFu;
  for (std::int32_t y = top; y < bottom; ++y) {
    ColorValue* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::fill(row + left, row + right, colour);
  }
}

}  // namespace morvane
