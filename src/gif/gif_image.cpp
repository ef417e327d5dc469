// The GIF image model: colour maps, frames, extensions and the image's own settings.
#include "gif/gif_image.h"

#include <cstdlib>

namespace morvane::gif {

int BitsForCount(int n) {
  if (n <= 0) return 0;
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

// ---- ColorMap ----------------------------------------------------------------------------

void ColorMap::Grow(int needed) {
  if (needed <= capacity_) return;
  capacity_ = needed <= 16 ? 16 : ((needed + 31) / 32) * 32;
  if (capacity_ > kMaxColors) capacity_ = kMaxColors;
}

int ColorMap::AppendColor(ColorValue colour) {
  if (count_ >= kMaxColors) throw GifError("Color table overflow");
  Grow(count_ + 1);
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

ColorValue ColorMap::ColorAt(int index) const {
  if (index < 0 || index >= count_) {
    if (image_ != nullptr) image_->Warning("Invalid color index");
    if (count_ == 0) throw GifError("Color table is empty");
    index = 0;
  }
  return Entry(index);
}

void ColorMap::Clear() {
  count_ = 0;
  capacity_ = 0;
  sorted_ = false;
}

void ColorMap::Assign(const ColorMap& other) {
  rgb_ = other.rgb_;
  count_ = other.count_;
  capacity_ = other.capacity_;
  sorted_ = other.sorted_;
}

void ColorMap::SetColors(const ColorValue* colours, int count) {
  Clear();
  for (int i = 0; i < count; ++i) AppendColor(colours[i]);
}

// ---- Extensions ------------------------------------------------------------------------------

GraphicControlExtension::GraphicControlExtension(GifFrame& frame) : GifExtension(frame) {
  if (frame.ControlExtension() == nullptr) frame.SetControlExtension(this);
}

GraphicControlExtension::~GraphicControlExtension() {
  if (TransparencyOn()) frame_->SetHasTransparency(false);
  if (frame_->ControlExtension() == this) frame_->SetControlExtension(nullptr);
}

void GraphicControlExtension::SetTransparencyOn(bool on) {
  packed_ = on ? (packed_ | 0x01) : (packed_ & ~0x01);
  frame_->SetHasTransparency(on);
}

void GraphicControlExtension::SetDisposalMethod(int method) {
  packed_ = static_cast<std::uint8_t>((packed_ & 0xE3) | ((method << 2) & 0x1C));
}

void GraphicControlExtension::SetUserInputFlag(bool on) {
  packed_ = on ? (packed_ | 0x02) : (packed_ & ~0x02);
}

void GraphicControlExtension::SetTransparentIndex(int index) {
  const int count = frame_->ActiveColorMap().ColorCount();
  if (count > 0 && (index < 0 || index >= count)) {
    frame_->Image().Warning("Invalid color index");
    index = 0;
  }
  transparent_index_ = static_cast<std::uint8_t>(index);
}

void GraphicControlExtension::UseTransparentColor(ColorValue colour) {
  ColorMap& map = frame_->ActiveColorMap();
  int index = map.FindColor(colour);
  if (index < 0 && map.ColorCount() < ColorMap::kMaxColors) index = map.AppendColor(colour);
  if (index < 0) {
    // A full map without the colour: the nearest entry stands in for it.
    int best = 0x7FFFFFFF;
    for (int i = 0; i < map.ColorCount(); ++i) {
      const ColorValue c = map.Entry(i);
      int distance = 0;
      for (int shift = 0; shift < 24; shift += 8)
        distance += std::abs(static_cast<int>((c >> shift) & 0xFF) -
                             static_cast<int>((colour >> shift) & 0xFF));
      if (distance < best) {
        best = distance;
        index = i;
      }
    }
  }
  transparent_index_ = static_cast<std::uint8_t>(index);
}

// ---- GifFrame ----------------------------------------------------------------------------

GifFrame::GifFrame(GifImage& image) : image_(&image), local_map_(&image) {}

GifFrame::~GifFrame() {
  ClearExtensions();
}

void GifFrame::ClearExtensions() {
  // Extensions unlink themselves from the frame while they are destroyed.
  while (!extensions_.empty()) extensions_.pop_back();
}

ColorMap& GifFrame::ActiveColorMap() {
  if (local_map_.ColorCount() > 0) return local_map_;
  if (image_->GlobalColorMap().ColorCount() > 0) return image_->GlobalColorMap();
  return local_map_;
}

const ColorMap& GifFrame::ActiveColorMap() const {
  return const_cast<GifFrame*>(this)->ActiveColorMap();
}

void GifFrame::SetFrameBounds(int left, int top, int width, int height) {
  const bool resized = width != width_ || height != height_;
  left_ = static_cast<std::uint16_t>(left);
  top_ = static_cast<std::uint16_t>(top);
  width_ = static_cast<std::uint16_t>(width);
  height_ = static_cast<std::uint16_t>(height);
  if (resized) {
    pixels_.clear();
    pixels_.shrink_to_fit();
    pixels_.resize(static_cast<std::size_t>(width_) * height_, 0);
  }
  GifHeader& header = image_->Header();
  bool warned = false;
  if (header.LogicalWidth < left_ + width_) {
    if (header.LogicalWidth > 0) {
      image_->Warning("Image width too small for contained frames");
      warned = true;
    }
    header.LogicalWidth = static_cast<std::uint16_t>(left_ + width_);
  }
  if (header.LogicalHeight < top_ + height_) {
    if (header.LogicalHeight > 0) {
      image_->Warning("Image height too small for contained frames");
      warned = true;
    }
    header.LogicalHeight = static_cast<std::uint16_t>(top_ + height_);
  }
  if (warned) image_->Warning("Image exceeds Logical Screen size");
}

std::uint8_t GifFrame::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || IsEmpty())
    throw GifError("Invalid pixel coordinates");
  return pixels_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)];
}

void GifFrame::Clear() {
  ClearExtensions();
  local_map_.Clear();
  pixels_.clear();
  pixels_.shrink_to_fit();
  width_ = height_ = 0;
  has_transparency_ = false;
}

// ---- GifImage -------------------------------------------------------------------------------

GifImage::GifImage() : header_(this) {}

GifImage::~GifImage() = default;

void GifImage::Warning(const std::string& message) const {
  if (WarningHandler) WarningHandler(1, message);
}

void GifImage::SetBackgroundColor(ColorValue colour) {
  SetBackgroundIndex(header_.GlobalColorMap.FindOrAppendColor(colour));
}

ColorValue GifImage::BackgroundColor() const {
  return header_.GlobalColorMap.ColorAt(header_.BackgroundIndex);
}

void GifImage::SetBackgroundIndex(int index) {
  const int count = header_.GlobalColorMap.ColorCount();
  if (count > 0 && (index < 0 || index >= count)) {
    Warning("Invalid color index");
    index = 0;
  }
  header_.BackgroundIndex = static_cast<std::uint8_t>(index);
}

int GifImage::AddFrame(const RgbCanvas& canvas) {
  auto frame = std::make_unique<GifFrame>(*this);
  frame->Assign(canvas);  // on failure the new frame is freed on the way out
  frames_.push_back(std::move(frame));
  return SubImageCount() - 1;
}

int GifImage::AddFrame(std::unique_ptr<GifFrame> frame) {
  if (!frame || &frame->Image() != this) throw GifError("Object type not supported for operation");
  frames_.push_back(std::move(frame));
  return SubImageCount() - 1;
}

void GifImage::SetLogicalWidth(int width) {
  for (const auto& frame : frames_)
    if (frame->Left() + frame->Width() > width)
      throw GifError("Image width too small for contained frames");
  header_.LogicalWidth = static_cast<std::uint16_t>(width);
}

void GifImage::SetLogicalHeight(int height) {
  for (const auto& frame : frames_)
    if (frame->Top() + frame->Height() > height)
      throw GifError("Image height too small for contained frames");
  header_.LogicalHeight = static_cast<std::uint16_t>(height);
}

}  // namespace morvane::gif
