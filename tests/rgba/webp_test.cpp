#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "rgba/rgba_support.h"
#include "rgba/webp_encoder.h"
#include "support/full_alpha_decoders.h"

namespace morvane::rgba {
namespace {

#if MORVANE_RGBA_HAVE_WEBP

using morvane::testing::DecodedAnimation;
using morvane::testing::ExpectPlays;

// Plays a WebP, which must have a canvas of width x height.
DecodedAnimation DecodeWebp(const std::vector<std::uint8_t>& file, std::int32_t width,
                            std::int32_t height) {
  DecodedAnimation decoded = morvane::testing::DecodeWebp(file);
  EXPECT_EQ(decoded.width, width);
  EXPECT_EQ(decoded.height, height);
  return decoded;
}

TEST(WebpEncoder, PlaysEveryFrameExactly) {
  constexpr std::int32_t kWidth = 23, kHeight = 17;
  using Frames = std::vector<std::vector<RgbaPixel>>;
  const auto pattern = [](std::uint32_t seed) {
    return testing::PatternFrame(kWidth, kHeight, seed);
  };
  // A frame that changes only in part of the canvas, and one that clears part of it to fully
  // transparent pixels with colour under them.
  std::vector<RgbaPixel> patch = pattern(1);
  for (std::size_t i = 40; i < 60; ++i) patch[i] = PackRgba(9, 8, 7, 128);
  std::vector<RgbaPixel> cleared = pattern(2);
  for (std::size_t i = 100; i < 200; ++i) cleared[i] = PackRgba(200, 100, 50, 0);
  struct Case {
    const char* name;
    Frames frames;
    int duration;
    bool animated;
  };
  const Case cases[] = {
      {"one frame is a still image", {pattern(1)}, 100, false},
      {"frames all alike are a still image", {pattern(3), pattern(3), pattern(3)}, 40, false},
      {"changing frames", {pattern(1), pattern(2), pattern(3), pattern(4)}, 100, true},
      {"equal neighbours merged",
       {pattern(1), pattern(1), pattern(2), pattern(2), pattern(1)},
       70,
       true},
      {"part of a frame changes", {pattern(1), patch, pattern(1), cleared, pattern(2)}, 1, true},
      // 30 equal frames of the longest time merge into frames of at most WebP's 2^24 - 1 ms.
      {"long frames", Frames(30, pattern(5)), 655350, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AnimatedWebpEncoder encoder(kWidth, kHeight, c.duration);
    for (const auto& frame : c.frames) encoder.AddFrame({frame, kWidth, kHeight});
    const DecodedAnimation decoded = DecodeWebp(encoder.Finish(), kWidth, kHeight);
    EXPECT_EQ(decoded.animated, c.animated);
    if (c.animated) {
      EXPECT_EQ(decoded.loop_count, 0u);
      ExpectPlays(decoded, c.frames, c.duration);
    } else {
      ASSERT_EQ(decoded.frames.size(), 1u);
      EXPECT_TRUE(decoded.frames[0] == c.frames[0]);
    }
  }
}

TEST(WebpEncoder, RefusesWhatWebpCannotHold) {
  EXPECT_NO_THROW(CheckWebpSize(16383, 16383));
  for (auto [width, height] : {std::pair{16384, 1}, std::pair{1, 16384}}) {
    try {
      AnimatedWebpEncoder(width, height, 100);
      ADD_FAILURE() << "no error for " << width << "x" << height;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Image too large for WebP");
    }
  }
  EXPECT_THROW(AnimatedWebpEncoder(4, 4, 0), std::invalid_argument);
  EXPECT_THROW(AnimatedWebpEncoder(4, 4, 1 << 24), std::invalid_argument);

  const std::vector<RgbaPixel> pixels(16);
  AnimatedWebpEncoder encoder(4, 4, 100);
  EXPECT_THROW(encoder.AddFrame({pixels, 2, 8}), std::invalid_argument);
  EXPECT_THROW(AnimatedWebpEncoder(4, 4, 100).Finish(), std::logic_error);

  // libwebp counts time in int: the frame that would end past 2^31 - 1 ms is refused.
  AnimatedWebpEncoder long_one(4, 4, 600000);
  for (int k = 0; k < 3579; ++k) long_one.AddFrame({pixels, 4, 4});
  EXPECT_THROW(long_one.AddFrame({pixels, 4, 4}), Error);
}

#else

TEST(WebpEncoder, UnavailableInThisBuild) {
  EXPECT_FALSE(kWebpAvailable);
  EXPECT_THROW(AnimatedWebpEncoder(4, 4, 100), Error);
}

#endif

}  // namespace
}  // namespace morvane::rgba
