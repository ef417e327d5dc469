// Animated lossless WebP files made in memory, one frame at a time.
//
// Every frame is stored losslessly and exactly: the decoded frames are the given ones pixel for
// pixel, red, green and blue under fully transparent pixels included. The animation loops for
// ever. libwebp may store identical consecutive frames as one frame that lasts their summed
// time (what plays is the same at every moment; a stored frame lasts at most 2^24 - 1 ms), and
// a file of one frame, or of frames all alike within that time, comes out as a still image.
//
// Builds without libwebp have the same interface; kWebpAvailable is false there and an
// encoder's construction raises Error.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "rgba/rgba_frame.h"

namespace morvane::rgba {

inline constexpr bool kWebpAvailable = MORVANE_RGBA_HAVE_WEBP;

// The longest side a WebP image has.
inline constexpr std::int64_t kMaxWebpSide = 16383;

// Raises Error "Image too large for WebP" when a side passes kMaxWebpSide. Cheap, so that a
// caller can check every output of a sequence before it writes the first one.
void CheckWebpSize(std::int64_t width, std::int64_t height);

// How hard libwebp works on each frame.
struct WebpSettings {
  int method = 0;     // 0 (fastest) to 6
  float quality = 0;  // lossless effort, 0 to 100
  // libwebp's kmin and kmax, the least and the most frames between two key frames (frames
  // coded whole rather than as the part that changed from the frame before): kmax 0 makes no
  // key frame but the first, 1 makes every frame one; otherwise kmax > kmin >= kmax / 2 + 1.
  int min_keyframe_distance = 0;
  int max_keyframe_distance = 0;
};

// The settings the converter uses: the fastest method and effort, no key frames but the first.
// Chosen by bench/rgba_bench.cpp on the frames described in png_backends.h (32 frames of 256 x
// 256, "march" and "figure"), CPU time per pixel and bytes per pixel:
//
//   method, quality, kmax       march ns  B/px   figure ns  B/px
//   0, 0, 0 (chosen)                  49   0.667        25   0.395
//   0, 100, 0                        128   0.649        45   0.383
//   1, 0, 0                          144   0.580        81   0.334
//   2, 0, 0                          197   0.538       104   0.300
//   3, 0, 0                          314   0.516       235   0.276
//   4 to 6, 0, 0                 690-790   0.517   390-1160  0.28
//   0, 0, 1 (all key frames)          92   0.667        54   0.462
//   0, 0, 9                           52   0.667        32   0.402
//
// Method 1 saves 13 to 15 % of the bytes for three times the time; only method 0 keeps within
// the budget of about 58 to 80 ns per pixel. Even at method 0 the files are a third smaller
// than the PNGs at the chosen zlib settings.
inline constexpr WebpSettings kWebpSettings{
    .method = 0, .quality = 0, .min_keyframe_distance = 0, .max_keyframe_distance = 0};

class AnimatedWebpEncoder {
 public:
  // A canvas of width x height (sides at least 1, std::invalid_argument otherwise; Error "Image
  // too large for WebP" past kMaxWebpSide) whose frames each last frame_duration_ms (1 to
  // 16777215, WebP's longest frame; std::invalid_argument otherwise).
  AnimatedWebpEncoder(std::int32_t width, std::int32_t height, std::int32_t frame_duration_ms,
                      const WebpSettings& settings = kWebpSettings);
  ~AnimatedWebpEncoder();
  AnimatedWebpEncoder(AnimatedWebpEncoder&&) noexcept;
  AnimatedWebpEncoder& operator=(AnimatedWebpEncoder&&) noexcept;

  // Encodes the next frame (of the canvas's size, std::invalid_argument otherwise); the view is
  // not used after the call returns. Raises Error "Animation too long for WebP" when the
  // frames' summed time would pass 2^31 - 1 ms (libwebp counts time in int: 24 days), and
  // std::bad_alloc when memory runs out.
  void AddFrame(const RgbaFrameView& frame);
  // The file; at least one frame must have been added (std::logic_error otherwise). The encoder
  // is spent afterwards.
  std::vector<std::uint8_t> Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The same for frames that are all at hand: at least one, all of one size.
std::vector<std::uint8_t> EncodeAnimatedWebp(std::span<const RgbaFrameView> frames,
                                             std::int32_t frame_duration_ms,
                                             const WebpSettings& settings = kWebpSettings);

}  // namespace morvane::rgba
