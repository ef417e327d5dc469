// One sequence of a parsed sprite written as GIF files, one per direction of its collection.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/report.h"
#include "core/canvas.h"
#include "params/file_spec.h"
#include "params/run_settings.h"
#include "platform/console.h"
#include "platform/path.h"
#include "platform/worker_pool.h"
#include "sprite/sprite.h"

namespace morvane {

// How the frames of a sequence are drawn.
struct DrawSettings {
  // The alpha a pixel needs to be drawn, unblended (binary transparency); without one, every
  // pixel is blended by its alpha.
  std::optional<std::int32_t> threshold;
  bool static_anims = false;  // every frame at the canvas origin
  ColorValue background = 0;

  // The threshold as Collection::DrawFrame takes it, where -1 blends.
  std::int32_t DrawThreshold() const { return threshold.value_or(-1); }

  // The settings a run's validated options give.
  static DrawSettings From(const RunSettingsRecord& run);
};

// The frames one direction of a sequence shows, composited as its GIF holds them: the canvas
// is the union of the boxes of the sequence's frames (or their extents for static
// animations), cleared to the background before each frame.
class DirectionFrames {
 public:
  // Raises the canvas limits' errors when the union cannot become one canvas.
  DirectionFrames(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                  std::int32_t direction, const DrawSettings& settings);

  // Frames of the sequence with a non-empty box in this direction.
  std::int64_t Counted() const { return counted_; }

  // Hands the canvas to sink with each frame drawn on it, in sequence order (drawn true); a
  // direction without a drawn frame hands over one background frame at the sprite's size, at
  // least 1 x 1 (drawn false).
  using FrameSink = std::function<void(const RgbCanvas& canvas, bool drawn)>;
  void Draw(const FrameSink& sink);

 private:
  const Sprite& sprite_;
  const Sequence& sequence_;
  const Collection& anim_;
  std::int32_t direction_;
  DrawSettings settings_;
  std::int64_t counted_ = 0;
  std::int64_t left_ = 0, top_ = 0;
  RgbCanvas canvas_;
};

// The delay of every GIF frame, in hundredths of a second, for an animation speed given as the
// time of one frame in milliseconds, rounded to the nearest hundredth and at least 1. 0 means
// no delay is written: the default speed (which viewers play without one) and any speed
// outside 1 to 655350 ms.
std::uint16_t FrameDelayHundredths(std::uint32_t anim_speed_ms);

// The file-name suffix of a direction: none for one direction, compass names for 4 and 8,
// "_" and at least two upper-case hexadecimal digits otherwise.
std::string DirectionSuffix(std::int32_t direction_count, std::int32_t direction);

// The GIF's file name: the safe sequence name, cut bytewise so that it with the direction suffix
// and ".gif" fits in kMaxFileNameBytes, then the suffix and ".gif".
std::string GifFileName(std::string_view safe_name, std::string_view suffix);

// Prints the sequence's console text and, when its name matches spec.pattern, composites every
// frame of every direction of its collection with the settings run and writes
// spec.output_directory/<name><suffix>.gif, placing the files through the report. Directions,
// frames and code streams are worked on side by side on the pool. The collection's images must
// be loaded. Errors propagate to the per-file job.
void ConvertSequence(Sprite& sprite, std::int32_t sequence_index, const FileSpec& spec,
                     const RunSettingsRecord& run, Report& report, WorkerPool& pool);

}  // namespace morvane
