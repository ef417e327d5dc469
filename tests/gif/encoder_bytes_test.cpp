// Frame data bytes: known encodings, sub-block framing and failures part way.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "encoder_support.h"
#include "gif/cpu_features.h"
#include "gif/gif_error.h"

namespace morvane::gif::encoder_test {
namespace {

class EncoderBytes : public ::testing::TestWithParam<FrameCompression> {};

TEST_P(EncoderBytes, OnePixelFrame) {
  // Clear 4, pixel 0 and end 5, three bits each; code bits 1 are raised to 2.
  const Bytes expected = {0x02, 0x02, 0x44, 0x01, 0x00};
  EXPECT_EQ(Encode(GetParam(), 2, 4, {0}, 1, 1), expected);
  EXPECT_EQ(Encode(GetParam(), 1, 2, {0}, 1, 1), expected);
  EXPECT_EQ(Encode(GetParam(), 0, 1, {0}, 1, 1), expected);
}

TEST_P(EncoderBytes, FrameWithoutPixelsHoldsOnlyTheEndCode) {
  const Bytes end_only = {0x02, 0x01, 0x05, 0x00};
  EXPECT_EQ(Encode(GetParam(), 2, 4, {}, 4, 4), end_only);
  EXPECT_EQ(Encode(GetParam(), 2, 4, {1, 2}, 0, 2), end_only);
  EXPECT_EQ(Encode(GetParam(), 2, 4, {1, 2}, 2, 0), end_only);
  // End code 257 in nine bits.
  EXPECT_EQ(Encode(GetParam(), 8, 256, {}, 1, 1), (Bytes{0x08, 0x02, 0x01, 0x01, 0x00}));
}

TEST_P(EncoderBytes, PixelNotInColourTableStopsAtOnce) {
  auto fails_with = [&](int bits, int colours, const Bytes& pixels, int width, int height) {
    Bytes out;
    try {
      EncodeFrame(out, GetParam(), bits, colours, pixels.data(), width, height);
      ADD_FAILURE() << "no exception";
    } catch (const GifError& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
    return out;
  };
  // The clear code alone: three bits stay in the bit buffer, nothing reaches a block.
  EXPECT_EQ(fails_with(2, 4, {4}, 1, 1), Bytes{0x02});
  // Clear 256 in nine bits: its low byte fills a block of one byte.
  EXPECT_EQ(fails_with(8, 200, {200, 0}, 2, 1), (Bytes{0x08, 0x01, 0x00}));

  // Far into the frame: full blocks, then the partial block, no end code, no terminator. The
  // data is a strict prefix of what the pixels before the bad one code to.
  const Bytes valid = Noise(6000, 4, 11);
  Bytes pixels = valid;
  pixels.push_back(4);
  pixels.push_back(0);
  const Bytes out = fails_with(2, 4, pixels, static_cast<int>(pixels.size()), 1);
  const FrameData failed = SplitBlocks(out);
  EXPECT_FALSE(failed.terminated);
  EXPECT_EQ(failed.size, out.size());
  ASSERT_GE(failed.block_lengths.size(), 2u);
  for (std::size_t i = 0; i + 1 < failed.block_lengths.size(); ++i)
    EXPECT_EQ(failed.block_lengths[i], 255);
  const FrameData whole =
      SplitBlocks(Encode(GetParam(), 2, 4, valid, static_cast<int>(valid.size()), 1));
  ASSERT_LT(failed.data.size(), whole.data.size());
  EXPECT_TRUE(std::equal(failed.data.begin(), failed.data.end(), whole.data.begin()));
  for (const Code& code : ReadCodes(2, failed.data)) EXPECT_NE(code.value, 5);
}

TEST_P(EncoderBytes, DataOf255BytesIsOneFullBlock) {
  // Grow noise frames until one codes to exactly 255 data bytes: one block, then the terminator.
  // The LZW code widths follow the count of codes alone, so some byte counts cannot come out
  // at a given code size; the search tries several.
  for (int bits = 2; bits <= 8; ++bits) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      const Bytes pixels = Noise(2000, 1 << bits, seed);
      for (int n = 1; n <= 2000; ++n) {
        const Bytes out =
            Encode(GetParam(), bits, 1 << bits, Bytes(pixels.begin(), pixels.begin() + n), n, 1);
        if (out.size() > 258) break;
        if (out.size() < 258) continue;
        EXPECT_EQ(out[0], bits);
        EXPECT_EQ(out[1], 255);
        EXPECT_EQ(out[257], 0);
        EXPECT_EQ(SplitBlocks(out).block_lengths, std::vector<int>{255});
        return;
      }
    }
  }
  FAIL() << "no frame coded to exactly 255 bytes";
}

// Two frames coded together give each frame's own bytes: frames of different lengths (one
// walks on alone), code sizes and string lengths, and a bad pixel in either frame: in the first
// it stops both, in the second the first is whole.
TEST_P(EncoderBytes, PairsGiveEachFramesOwnBytes) {
  struct Frame {
    int bits;
    int colours;
    Bytes pixels;
  };
  Bytes bad_late = Noise(5000, 16, 9);
  bad_late[4321] = 16;
  const Frame noise{8, 256, Noise(9000, 256, 5)}, runs{4, 16, RandomRuns(7000, 16, 40, 6)},
      tiny{2, 4, {3}}, bad_first{2, 3, {3, 0}}, late{4, 16, bad_late};
  const std::pair<Frame, Frame> pairs[] = {{noise, runs}, {runs, noise}, {tiny, noise},
                                           {noise, late}, {late, noise}, {bad_first, runs}};
  for (const auto& [first, second] : pairs) {
    auto code = [](const Frame& f) {
      return FrameCode{f.bits, f.colours, f.pixels.data(), static_cast<int>(f.pixels.size()), 1};
    };
    auto alone = [&](const Frame& f, bool& failed) {
      Bytes out;
      try {
        EncodeFrame(out, GetParam(), f.bits, f.colours, f.pixels.data(),
                    static_cast<int>(f.pixels.size()), 1);
      } catch (const GifError&) {
        failed = true;
      }
      return out;
    };
    bool first_fails = false, second_fails = false;
    const Bytes first_alone = alone(first, first_fails);
    const Bytes second_alone = alone(second, second_fails);
    Bytes first_out, second_out;
    bool failed = false;
    try {
      EncodeFramePair(GetParam(), code(first), first_out, code(second), second_out);
    } catch (const GifError& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
      failed = true;
    }
    EXPECT_EQ(failed, first_fails || second_fails);
    EXPECT_EQ(first_out, first_alone);
    EXPECT_EQ(second_out, first_fails ? Bytes{} : second_alone);
  }
}

TEST(EncoderGroup, FramesInStepMatchEachAlone) {
  // Lanes of every kind side by side: noise that fills the table twice, runs, colour counts of
  // 4 to 256 (so lanes clear at different steps and start from different codes), one colour.
  constexpr std::size_t kCount = 9003;  // not a whole number of four-pixel steps
  struct Lane {
    int bits;
    int colours;
    Bytes pixels;
  };
  std::vector<Lane> lanes;
  for (std::uint32_t l = 0; l < kFrameGroupSize; ++l) {
    const int bits = 2 + static_cast<int>(l % 7);
    const int colours = 1 << bits;
    lanes.push_back({bits, colours,
                     l % 3 == 0   ? Noise(kCount, colours, l)
                     : l % 3 == 1 ? RandomRuns(kCount, colours, 1 + static_cast<int>(l), l)
                                  : Bytes(kCount, static_cast<std::uint8_t>(l % colours))});
  }
  auto group = [&](std::size_t size, std::vector<Bytes>& outs) {
    std::vector<FrameCode> codes;
    std::vector<ByteSink*> sinks;
    for (std::size_t l = 0; l < size; ++l) {
      const Lane& lane = lanes[l];
      codes.push_back(
          {lane.bits, lane.colours, lane.pixels.data(), static_cast<int>(lane.pixels.size()), 1});
      sinks.push_back(&outs[l]);
    }
    return EncodeFrameGroup(kLzw, codes, sinks);
  };
  // Full groups at both widths and one with idle lanes.
  for (const std::size_t size : {kFrameGroupSize, kMinWideFrameGroupSize + 1, kMinFrameGroupSize}) {
    std::vector<Bytes> outs(size);
    ASSERT_EQ(group(size, outs), HasAvx512());
    for (std::size_t l = 0; l < size && HasAvx512(); ++l)
      EXPECT_EQ(outs[l], Encode(kLzw, lanes[l].bits, lanes[l].colours, lanes[l].pixels,
                                static_cast<int>(kCount), 1))
          << "lane " << l << " of " << size;
  }
  // Frames it does not take in step are left to the caller, with nothing written: too few, of
  // different sizes, or with a pixel outside the colour table.
  std::vector<Bytes> few(kMinFrameGroupSize - 1);
  EXPECT_FALSE(group(few.size(), few));
  EXPECT_EQ(few, std::vector<Bytes>(few.size()));
  for (auto spoil :
       {+[](Lane& lane) { lane.pixels.pop_back(); },
        +[](Lane& lane) { lane.pixels[5000] = static_cast<std::uint8_t>(lane.colours); }}) {
    auto spoilt = lanes;
    spoil(spoilt[9]);
    std::swap(lanes, spoilt);
    std::vector<Bytes> none(kFrameGroupSize);
    EXPECT_FALSE(group(none.size(), none));
    EXPECT_EQ(none, std::vector<Bytes>(kFrameGroupSize));
    std::swap(lanes, spoilt);
  }
}

INSTANTIATE_TEST_SUITE_P(BothCoders, EncoderBytes, ::testing::Values(kLzw, kRunLength),
                         [](const auto& info) { return CompressionName(info.param); });

}  // namespace
}  // namespace morvane::gif::encoder_test
