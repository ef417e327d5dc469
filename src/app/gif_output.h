// The GIF of one direction: its frames reduced to 256 colours each, one shared colour map (with
// binary transparency when it is on), the frame delays and the file's bytes.
#pragma once

#include <cstdint>
#include <optional>

#include "app/frame_source.h"
#include "core/canvas.h"
#include "gif/color_reduction.h"
#include "gif/frame_encoder.h"
#include "gif/sub_block_writer.h"
#include "platform/worker_pool.h"
#include "sprite/sprite.h"

namespace morvane {

// How the GIFs of a run are made.
struct GifSettings {
  ColorValue background = 0;  // the canvas behind every frame
  // With binary transparency, the alpha a pixel needs to be drawn; without it every pixel is
  // blended by its alpha.
  std::optional<std::int32_t> threshold;
  gif::ReductionSettings reduction;  // the dithering
  gif::FrameCompression compression = gif::FrameCompression::kLzw;
  std::uint16_t delay_hundredths = 0;  // of every frame; 0 writes none

  bool BinaryTransparency() const { return threshold.has_value(); }
  // The threshold as the drawing takes it.
  std::int32_t DrawThreshold() const { return threshold.value_or(kBlendByAlpha); }
};

// The delay of every GIF frame, in hundredths of a second, for an animation speed given as the
// time of one frame in milliseconds, rounded to the nearest hundredth and at least 1. 0 means
// no delay is written: the default speed (which viewers play without one) and any speed
// outside 1 to 655350 ms.
std::uint16_t FrameDelayHundredths(std::uint32_t anim_speed_ms);

// The GIF file of the frames, which must not have been drawn yet, as bytes. The frames are
// drawn a window at a time and reduced four at a time, the groups of a window side by side on
// the pool, and the code streams are encoded two at a time, side by side. directions: how many
// directions the caller converts side by side, which sizes the window.
gif::ByteSink DirectionGif(DirectionFrames& frames, const GifSettings& settings, WorkerPool& pool,
                           int directions);

}  // namespace morvane
