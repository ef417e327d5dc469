// Animated lossless WebP files made in memory, one frame at a time.
//
// Every frame is stored losslessly and exactly: the decoded frames are the given ones pixel for
// pixel, red, green and blue under fully transparent pixels included. The animation loops for
// ever. libwebp may store identical consecutive frames as one frame that lasts their summed
// time (what plays is the same at every moment), and a file of one frame, or of frames all
// alike, comes out as a still image.
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

// The settings the converter uses: the fastest method and effort.
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
