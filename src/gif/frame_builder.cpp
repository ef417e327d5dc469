// Frames of a GIF made from true-colour canvases by colour reduction.
#include "gif/frame_builder.h"

#include <utility>

namespace morvane::gif {

namespace {

// A frame sized for the canvas, its pixels not yet filled; empty for an empty canvas.
GifFrame SizedFrame(const RgbCanvas& canvas) {
  return canvas.Empty() ? GifFrame() : GifFrame(canvas.Width(), canvas.Height());
}

void TakeReduction(GifFrame& frame, ReducedFrame reduced) {
  frame.LocalColorMap().SetColors(reduced.table.data(), static_cast<int>(reduced.table.size()));
  frame.Pixels() = std::move(reduced.pixels);
}

// The reduction fills the frame's own pixel buffer, which is already of the canvas's size.
void Fill(GifFrame& frame, const RgbCanvas& canvas, const ReductionSettings& settings) {
  if (!canvas.Empty())
    TakeReduction(frame, ReduceBitmap(canvas, settings, std::move(frame.Pixels())));
}

}  // namespace

GifFrame BuildFrame(const RgbCanvas& canvas, const ReductionSettings& settings) {
  GifFrame frame = SizedFrame(canvas);
  Fill(frame, canvas, settings);
  return frame;
}

std::array<GifFrame, 2> BuildFramePair(const RgbCanvas& first, const RgbCanvas& second,
                                       const ReductionSettings& settings) {
  std::array<GifFrame, 2> frames{SizedFrame(first), SizedFrame(second)};
  if (first.Empty() || second.Empty()) {
    Fill(frames[0], first, settings);
    Fill(frames[1], second, settings);
    return frames;
  }
  std::array<ReducedFrame, 2> reduced = ReduceBitmapPair(
      first, second, settings, std::move(frames[0].Pixels()), std::move(frames[1].Pixels()));
  TakeReduction(frames[0], std::move(reduced[0]));
  TakeReduction(frames[1], std::move(reduced[1]));
  return frames;
}

}  // namespace morvane::gif
