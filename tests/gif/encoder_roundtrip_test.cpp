// Both encoders against giflib's decoder: every frame decodes back to its exact pixel indices.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "encoder_support.h"
#include "gif/gif_writer.h"

namespace morvane::gif::encoder_test {
namespace {

class RoundTripTest : public ::testing::TestWithParam<std::tuple<FrameCompression, int>> {
 protected:
  FrameCompression compression() const { return std::get<0>(GetParam()); }
  int colours() const { return std::get<1>(GetParam()); }
  int bits() const { return BitsForCount(colours()); }

  void Check(const Bytes& pixels, int width, int height, const std::string& what) {
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width) * height) << what;
    EXPECT_EQ(RoundTrip(compression(), bits(), colours(), pixels, width, height), pixels)
        << what << " " << width << " x " << height;
  }
};

TEST_P(RoundTripTest, Noise) {
  const int sizes[][2] = {{1, 1}, {1, 1000}, {1000, 1}, {37, 23}, {256, 256}};
  std::uint32_t seed = 1;
  for (const auto& size : sizes) {
    Check(Noise(std::size_t{1} * size[0] * size[1], colours(), seed++), size[0], size[1], "noise");
  }
}

TEST_P(RoundTripTest, RandomRuns) {
  for (const int longest : {4, 40, 400, 5000})
    Check(RandomRuns(300 * 300, colours(), longest, 100 + longest), 300, 300,
          "runs up to " + std::to_string(longest));
}

TEST_P(RoundTripTest, RunsOfEveryLength) {
  // Runs of 1..600 pixels: in turning colours, in two alternating colours (so the table's runs
  // of one colour are reused), and the other way round, longest first.
  Bytes turning, alternating, falling;
  for (int length = 1; length <= 600; ++length) {
    turning.insert(turning.end(), length, static_cast<std::uint8_t>(length % colours()));
    alternating.insert(alternating.end(), length, static_cast<std::uint8_t>(length % 2));
    falling.insert(falling.end(), 601 - length, static_cast<std::uint8_t>(length % 2));
  }
  const int width = 601, height = 300;  // 1 + 2 + ... + 600 = 180300 pixels
  Check(turning, width, height, "turning colours");
  Check(alternating, width, height, "alternating colours");
  Check(falling, width, height, "longest first");
}

TEST_P(RoundTripTest, FlatAndStructured) {
  const int size = 512;
  Check(Bytes(std::size_t{size} * size, static_cast<std::uint8_t>(colours() - 1)), size, size,
        "one colour");
  Bytes stripes(std::size_t{size} * size), blocks(std::size_t{size} * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * size + x;
      stripes[at] = static_cast<std::uint8_t>(x % colours());
      blocks[at] = static_cast<std::uint8_t>((x / 48 + y / 32 * 3) % colours());
    }
  }
  Check(stripes, size, size, "stripes");
  Check(blocks, size, size, "blocks");
}

INSTANTIATE_TEST_SUITE_P(Coders, RoundTripTest,
                         ::testing::Combine(::testing::Values(kLzw, kRunLength),
                                            ::testing::Values(2, 3, 4, 5, 16, 129, 256)),
                         [](const auto& info) {
                           return std::string(CompressionName(std::get<0>(info.param))) + "_" +
                                  std::to_string(std::get<1>(info.param)) + "colours";
                         });

}  // namespace
}  // namespace morvane::gif::encoder_test
