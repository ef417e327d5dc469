#include "app/gif_output.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "gif/binary_transparency.h"
#include "gif/color_map_optimizer.h"
#include "gif/frame_builder.h"
#include "gif/gif_image.h"
#include "gif/gif_writer.h"
#include "platform/signals.h"

namespace morvane {

namespace {

// Canvases a direction holds at once while their frames are reduced side by side: groups of
// the frames reduced in step. One group when the directions converted side by side keep every
// thread busy; otherwise a group for each thread a direction may keep busy. Every thread may
// hold a direction, so each window gets an equal share of a fixed bound of memory.
constexpr std::size_t kGroupFrames = gif::kFramesInStep;
std::size_t WindowCanvases(const FrameGeometry& geometry, int threads, int directions) {
  constexpr std::int64_t kWindowsBytes = std::int64_t{256} << 20;
  const std::int64_t group_bytes =
      std::int64_t{geometry.width} * geometry.height * 4 * std::int64_t{kGroupFrames};
  const std::int64_t idle_share = std::max(1, threads / std::max(1, directions));
  const std::int64_t groups =
      std::clamp<std::int64_t>(kWindowsBytes / threads / group_bytes, 1, idle_share);
  return static_cast<std::size_t>(groups) * kGroupFrames;
}

// Takes each reduced frame in sequence order with the canvas it was reduced from.
using ReducedFrameSink = std::function<void(gif::GifFrame frame, const RgbCanvas& canvas)>;

// Draws the frames a window at a time and reduces each window's groups side by side. Frames are
// grouped as one by one they would be, (0..3), (4..7), ..., the last group perhaps shorter:
// reducing four at a time is faster and gives the same frames. The window's canvases are
// reused from one window to the next.
void ReduceFrames(DirectionFrames& frames, const GifSettings& settings, WorkerPool& pool,
                  int directions, const ReducedFrameSink& sink) {
  const FrameGeometry& geometry = frames.Geometry();
  const std::size_t window_size = WindowCanvases(geometry, pool.Concurrency(), directions);
  std::vector<RgbCanvas> window;
  std::vector<std::vector<gif::GifFrame>> reduced;
  for (std::int64_t left = geometry.frames; left > 0;) {
    std::size_t count = 0;
    for (; count < window_size && left > 0; ++count, --left) {
      if (window.size() == count) window.emplace_back(geometry.width, geometry.height);
      frames.DrawNext(window[count], settings.background, settings.DrawThreshold());
    }
    reduced.assign((count + kGroupFrames - 1) / kGroupFrames, {});
    pool.ForEach(reduced.size(), [&](std::size_t g) {
      const std::size_t first = g * kGroupFrames;
      reduced[g] = gif::BuildFrames(
          std::span<const RgbCanvas>(window).subspan(first, std::min(kGroupFrames, count - first)),
          settings.reduction);
    });
    for (std::size_t i = 0; i < count; ++i)
      sink(std::move(reduced[i / kGroupFrames][i % kGroupFrames]), window[i]);
  }
}

// Gives every frame the delay: in the control extension it has for transparency, else in a new
// one (transparency off, no disposal) after its other extensions. 0 leaves the frames as they
// are.
void SetFrameDelays(gif::GifImage& image, std::uint16_t delay) {
  if (delay == 0) return;
  for (gif::GifFrame& frame : image.Frames()) {
    gif::GraphicControlExtension* control = frame.ControlExtension();
    if (control == nullptr) control = &frame.AddExtension(gif::GraphicControlExtension());
    control->SetDelayHundredths(delay);
  }
}

}  // namespace

std::uint16_t FrameDelayHundredths(std::uint32_t anim_speed_ms) {
  constexpr std::uint32_t kUndelayedSpeed = 100;  // the default: viewers' own frame time
  constexpr std::uint32_t kMaxSpeed = 655350;     // the largest delay a GIF holds, 65535
  if (anim_speed_ms == 0 || anim_speed_ms > kMaxSpeed || anim_speed_ms == kUndelayedSpeed) return 0;
  return static_cast<std::uint16_t>(std::max<std::uint32_t>((anim_speed_ms + 5) / 10, 1));
}

gif::ByteSink DirectionGif(DirectionFrames& frames, const GifSettings& settings, WorkerPool& pool,
                           int directions) {
  gif::GifImage image;
  image.SetBackgroundColor(settings.background);
  std::optional<gif::BinaryTransparency> transparency;
  if (settings.BinaryTransparency()) transparency.emplace(settings.background);
  // An animation of several counted frames repeats for ever; the plain background frame
  // does not.
  const bool loops = frames.Geometry().counted > 1 && !frames.Geometry().background;
  ReduceFrames(frames, settings, pool, directions,
               [&](gif::GifFrame reduced, const RgbCanvas& canvas) {
                 gif::GifFrame& frame = image.FrameAt(image.AddFrame(std::move(reduced)));
                 if (loops && image.FrameCount() == 1) frame.AddExtension(gif::LoopExtension());
                 if (transparency) transparency->AddFrame(image, frame, canvas);
               });
  Signals::ThrowIfPending();
  if (transparency) {
    transparency->OptimizeColorMaps(image);
  } else {
    gif::OptimizeColorMaps(image);
  }
  SetFrameDelays(image, settings.delay_hundredths);
  return gif::EncodeGif(image, settings.compression, pool);
}

}  // namespace morvane
