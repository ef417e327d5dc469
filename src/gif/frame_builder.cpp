// Frames of a GIF made from true-colour canvases by colour reduction.
#include "gif/frame_builder.h"

#include <algorithm>
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

std::vector<GifFrame> BuildFrames(std::span<const RgbCanvas> canvases,
                                  const ReductionSettings& settings) {
  std::vector<GifFrame> frames;
  frames.reserve(canvases.size());
  for (const RgbCanvas& canvas : canvases) frames.push_back(SizedFrame(canvas));
  if (std::ranges::any_of(canvases, &RgbCanvas::Empty)) {
    for (std::size_t i = 0; i < frames.size(); ++i) Fill(frames[i], canvases[i], settings);
    return frames;
  }
  std::vector<std::vector<std::uint8_t>> storage;
  for (GifFrame& frame : frames) storage.push_back(std::move(frame.Pixels()));
  std::vector<ReducedFrame> reduced = ReduceBitmaps(canvases, settings, std::move(storage));
  for (std::size_t i = 0; i < frames.size(); ++i) TakeReduction(frames[i], std::move(reduced[i]));
  return frames;
}

}  // namespace morvane::gif
