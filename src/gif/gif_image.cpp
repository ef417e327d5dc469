// The GIF image model: colour maps, extensions, frames and the logical screen.
#include "gif/gif_image.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "core/errors.h"
#include "gif/gif_error.h"

namespace morvane::gif {

// ---- ColorMap ----------------------------------------------------------------------------

int ColorMap::AppendColor(ColorValue colour) {
  if (count_ >= kMaxColors) throw GifError("Color table overflow");
  std::uint8_t* entry = &rgb_[3 * static_cast<std::size_t>(count_)];
  entry[0] = static_cast<std::uint8_t>(colour);
  entry[1] = static_cast<std::uint8_t>(colour >> 8);
  entry[2] = static_cast<std::uint8_t>(colour >> 16);
  sorted_ = false;
  return count_++;
}

ColorValue ColorMap::Entry(int index) const {
  const std::uint8_t* entry = &rgb_[3 * static_cast<std::size_t>(index)];
  return ColorValue{entry[0]} | ColorValue{entry[1]} << 8 | ColorValue{entry[2]} << 16;
}

int ColorMap::FindColor(ColorValue colour) const {
  colour &= 0xFFFFFFu;
  if (sorted_) {
    for (int i = 0; i < count_; ++i)
      if (Entry(i) == colour) return i;
  } else {
    for (int i = count_ - 1; i >= 0; --i)
      if (Entry(i) == colour) return i;
  }
  return -1;
}

int ColorMap::FindOrAppendColor(ColorValue colour) {
  const int index = FindColor(colour);
  return index >= 0 ? index : AppendColor(colour);
}

int ColorMap::FindAppendOrNearest(ColorValue colour) {
  const int index = FindColor(colour);
  if (index >= 0) return index;
  if (count_ < kMaxColors) return AppendColor(colour);
  int nearest = 0;
  int best = 0x7FFFFFFF;
  for (int i = 0; i < count_; ++i) {
    const ColorValue entry = Entry(i);
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8)
      distance += std::abs(static_cast<int>((entry >> shift) & 0xFF) -
                           static_cast<int>((colour >> shift) & 0xFF));
    if (distance < best) {
      best = distance;
      nearest = i;
    }
  }
  return nearest;
}

void ColorMap::Clear() {
  count_ = 0;
  sorted_ = false;
}

void ColorMap::SetColors(const ColorValue* colours, int count) {
  Clear();
  for (int i = 0; i < count; ++i) AppendColor(colours[i]);
}

// ---- GraphicControlExtension -----------------------------------------------------------------

void GraphicControlExtension::SetTransparencyOn(bool on) {
  packed_ = static_cast<std::uint8_t>(on ? (packed_ | kTransparencyFlag)
                                         : (packed_ & ~kTransparencyFlag));
}

void GraphicControlExtension::SetDisposalMethod(int method) {
  packed_ = static_cast<std::uint8_t>((packed_ & 0xE3) | ((method << 2) & 0x1C));
}

void GraphicControlExtension::SetTransparentIndex(int index, const ColorMap& active_map) {
  const int count = active_map.ColorCount();
  if (count > 0 && (index < 0 || index >= count)) index = 0;
  transparent_index_ = static_cast<std::uint8_t>(index);
}

// ---- GifFrame ----------------------------------------------------------------------------

GifFrame::GifFrame(int width, int height) {
  // A frame's size is a 16-bit field of the file.
  if (width > 0xFFFF || height > 0xFFFF) throw GifError("Image too large for GIF");
  if (width < 0 || height < 0) throw std::invalid_argument("negative GIF frame size");
  width_ = static_cast<std::uint16_t>(width);
  height_ = static_cast<std::uint16_t>(height);
  pixels_.resize(static_cast<std::size_t>(width_) * height_, 0);
}

const GraphicControlExtension* GifFrame::ControlExtension() const {
  for (const GifExtension& extension : extensions_)
    if (const auto* control = std::get_if<GraphicControlExtension>(&extension)) return control;
  return nullptr;
}

GraphicControlExtension* GifFrame::ControlExtension() {
  return const_cast<GraphicControlExtension*>(std::as_const(*this).ControlExtension());
}

bool GifFrame::HasTransparency() const {
  const GraphicControlExtension* control = ControlExtension();
  return control != nullptr && control->TransparencyOn();
}

std::uint8_t GifFrame::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || IsEmpty())
    throw GifError("Invalid pixel coordinates");
  return pixels_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)];
}

// ---- GifImage -------------------------------------------------------------------------------

void GifImage::SetBackgroundColor(ColorValue colour) {
  header_.background_index =
      static_cast<std::uint8_t>(header_.global_map.FindOrAppendColor(colour));
}

int GifImage::AddFrame(GifFrame frame) {
  header_.logical_width = std::max(header_.logical_width, frame.Width());
  header_.logical_height = std::max(header_.logical_height, frame.Height());
  frames_.push_back(std::move(frame));
  return FrameCount() - 1;
}

const ColorMap& GifImage::ActiveColorMap(const GifFrame& frame) const {
  if (frame.LocalColorMap().ColorCount() > 0) return frame.LocalColorMap();
  if (header_.global_map.ColorCount() > 0) return header_.global_map;
  return frame.LocalColorMap();
}

ColorMap& GifImage::ActiveColorMap(GifFrame& frame) {
  return const_cast<ColorMap&>(std::as_const(*this).ActiveColorMap(std::as_const(frame)));
}

}  // namespace morvane::gif
