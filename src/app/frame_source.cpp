#include "app/frame_source.h"

#include <algorithm>

#include "app/limits.h"
#include "platform/signals.h"

namespace morvane {

namespace {

struct Box {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t Width() const { return right - left; }
  std::int64_t Height() const { return bottom - top; }
};

bool IsDrawn(const FrameExtent& extent) {
  return extent.width > 0 && extent.height > 0;
}

}  // namespace

FrameGeometry DirectionGeometry(const Sprite& sprite, const Sequence& sequence,
                                const Collection& anim, std::int32_t direction, bool static_anims) {
  FrameGeometry geometry;
  Box box_union;
  std::int64_t drawn = 0;
  for (std::int32_t i = 0; i < sequence.FrameCount(); ++i) {
    const std::int16_t frame = sequence.FrameIndex(i);
    if (frame < 0) continue;
    const FrameBox frame_box = anim.BoxAt(frame, direction);
    if (frame_box.IsEmpty()) continue;
    const FrameExtent extent = anim.ExtentAt(frame, direction);
    if (IsDrawn(extent)) ++drawn;
    const Box box = static_anims
                        ? Box{0, 0, extent.width, extent.height}
                        : Box{frame_box.left, frame_box.top, frame_box.right, frame_box.bottom};
    if (geometry.counted++ == 0) {
      box_union = box;
    } else {
      box_union.left = std::min(box_union.left, box.left);
      box_union.top = std::min(box_union.top, box.top);
      box_union.right = std::max(box_union.right, box.right);
      box_union.bottom = std::max(box_union.bottom, box.bottom);
    }
  }
  if (geometry.counted > 0) {
    CheckCanvasSize(box_union.Width(), box_union.Height());
    if (drawn > 0) {  // then the union holds a drawn box and is at least 1 x 1
      geometry.left = box_union.left;
      geometry.top = box_union.top;
      geometry.width = static_cast<std::int32_t>(box_union.Width());
      geometry.height = static_cast<std::int32_t>(box_union.Height());
      geometry.frames = drawn;
      return geometry;
    }
  }
  // At least one pixel, so that the GIF always holds an image.
  const std::int64_t width = std::max<std::int64_t>(1, sprite.Width());
  const std::int64_t height = std::max<std::int64_t>(1, sprite.Height());
  CheckCanvasSize(width, height);
  geometry.width = static_cast<std::int32_t>(width);
  geometry.height = static_cast<std::int32_t>(height);
  geometry.background = true;
  return geometry;
}

DirectionFrames::DirectionFrames(const Sprite& sprite, const Sequence& sequence,
                                 const Collection& anim, std::int32_t direction, bool static_anims)
    : sequence_(sequence),
      anim_(anim),
      direction_(direction),
      static_anims_(static_anims),
      geometry_(DirectionGeometry(sprite, sequence, anim, direction, static_anims)) {}

std::optional<PlacedFrame> DirectionFrames::Next() {
  if (geometry_.background) {
    if (given_ > 0) return std::nullopt;
    ++given_;
    return PlacedFrame{};
  }
  while (position_ < sequence_.FrameCount()) {
    const std::int16_t frame = sequence_.FrameIndex(position_++);
    if (frame < 0 || !IsDrawn(anim_.ExtentAt(frame, direction_))) continue;
    CheckAnimationSize(given_ + 1, geometry_.width, geometry_.height);
    Signals::ThrowIfPending();
    ++given_;
    PlacedFrame placed{frame, {}};
    if (!static_anims_) {
      const FrameBox box = anim_.BoxAt(frame, direction_);
      placed.origin = CanvasPoint{static_cast<std::int32_t>(box.left - geometry_.left),
                                  static_cast<std::int32_t>(box.top - geometry_.top)};
    }
    return placed;
  }
  return std::nullopt;
}

template <DrawingCanvas Canvas>
bool DirectionFrames::DrawNext(Canvas& canvas, typename Canvas::Pixel clear,
                               std::int32_t threshold) {
  const std::optional<PlacedFrame> placed = Next();
  if (!placed) return false;
  canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), clear);
  if (placed->frame != PlacedFrame::kBackgroundFrame)
    anim_.DrawFrame(placed->frame, direction_, canvas, placed->origin, threshold);
  return true;
}

template bool DirectionFrames::DrawNext(RgbCanvas&, RgbCanvas::Pixel, std::int32_t);
template bool DirectionFrames::DrawNext(RgbaCanvas&, RgbaCanvas::Pixel, std::int32_t);

}  // namespace morvane
