// The frames of one direction of a sequence, the same for every output: the canvas they share
// and each frame composited onto a canvas the caller provides.
#pragma once

#include <cstdint>
#include <optional>

#include "core/canvas.h"
#include "sprite/sprite.h"

namespace morvane {

// The canvas of one direction. Its frames' canvas is the union of the boxes of the counted
// frames (those with a box that is not all zero), or, with static animations, of their extents
// placed at the origin. A direction without a drawn frame (no frame counted, or every counted
// frame of zero or negative extent) shows one plain background frame of the sprite's size
// instead, at least 1 x 1.
struct FrameGeometry {
  // Where the canvas's top left lies in the coordinates of the frame boxes.
  std::int64_t left = 0;
  std::int64_t top = 0;
  // At least 1 x 1, within the canvas limits (limits.h).
  std::int32_t width = 1;
  std::int32_t height = 1;
  bool background = false;   // the plain background frame: nothing of the sprite is drawn
  std::int64_t frames = 1;   // frames the direction shows: those drawn, or the background frame
  std::int64_t counted = 0;  // frames with a box that is not all zero

  friend bool operator==(const FrameGeometry&, const FrameGeometry&) = default;
};

// The geometry of a direction of sequence, which plays anim. Raises the errors of
// CheckCanvasSize when the union of the boxes, or then the background frame, cannot be one
// canvas.
FrameGeometry DirectionGeometry(const Sprite& sprite, const Sequence& sequence,
                                const Collection& anim, std::int32_t direction, bool static_anims);

// One frame of a direction: the collection's frame to draw and where the Left/Top of its
// sub-images count from on the canvas.
struct PlacedFrame {
  static constexpr std::int32_t kBackgroundFrame = -1;  // nothing to draw

  std::int32_t frame = kBackgroundFrame;
  CanvasPoint origin;
};

// The frames of one direction in sequence order, each composited onto the caller's canvas.
// sprite, sequence and anim must outlive it, and anim's images must be loaded to draw.
class DirectionFrames {
 public:
  // Computes the geometry, raising its errors.
  DirectionFrames(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                  std::int32_t direction, bool static_anims);

  const FrameGeometry& Geometry() const { return geometry_; }

  // The next frame, or nullopt after the last. Before each drawn frame the animation limits
  // are checked (CheckAnimationSize over the frames so far), raising their error, and so is
  // the ending signal.
  std::optional<PlacedFrame> Next();

  // Clears the canvas, which must be of the geometry's size, to clear and draws the next
  // frame onto it with the threshold (kBlendByAlpha or an alpha, see DrawRuns). Returns false,
  // leaving the canvas as it is, after the last frame.
  template <DrawingCanvas Canvas>
  bool DrawNext(Canvas& canvas, typename Canvas::Pixel clear, std::int32_t threshold);

 private:
  const Sequence& sequence_;
  const Collection& anim_;
  std::int32_t direction_;
  bool static_anims_;
  FrameGeometry geometry_;
  std::int32_t position_ = 0;  // the next sequence entry to look at
  std::int64_t given_ = 0;     // frames handed out so far
};

}  // namespace morvane
