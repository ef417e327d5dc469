// The code streams of both encoders, read back code by code.
#include <gtest/gtest.h>

#include "encoder_support.h"
#include "gif/run_length_encoder.h"

namespace morvane::gif::encoder_test {
namespace {

// The codes between clear codes, without the clears and the end code.
std::vector<std::vector<int>> Segments(const std::vector<Code>& codes, int clear) {
  std::vector<std::vector<int>> segments;
  for (const Code& code : codes) {
    if (code.value == clear) {
      segments.emplace_back();
    } else if (code.value != clear + 1) {
      segments.back().push_back(code.value);
    }
  }
  return segments;
}

class LzwCodes : public ::testing::TestWithParam<int> {};

TEST_P(LzwCodes, TableFillsToCode4094ThenClearsAtTwelveBits) {
  const int bits = GetParam();
  const int colours = 1 << bits;
  const int clear = colours;
  const int width = 320, height = 200;
  const Bytes pixels = Noise(std::size_t{width} * height, colours, 7);
  const Bytes out = Encode(kLzw, bits, colours, pixels, width, height);
  const FrameData frame = SplitBlocks(out);
  ASSERT_TRUE(frame.terminated);
  const std::vector<Code> codes = ReadCodes(bits, frame.data);
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes.front().value, clear);
  EXPECT_EQ(codes.back().value, clear + 1);

  int widest = 0;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    widest = std::max(widest, codes[i].width);
    // Every clear after the first comes when the table is full, at twelve bits.
    if (i > 0 && codes[i].value == clear) {
      EXPECT_EQ(codes[i].width, 12);
    }
  }
  EXPECT_EQ(widest, 12);

  // After a clear, each code but the last defines the next free code, up to 4094; the code that
  // would define 4095 is followed by the clear instead.
  const auto segments = Segments(codes, clear);
  ASSERT_GE(segments.size(), 3u);
  for (std::size_t i = 0; i + 1 < segments.size(); ++i)
    EXPECT_EQ(static_cast<int>(segments[i].size()), 4096 - (clear + 2)) << "segment " << i;
  EXPECT_LE(static_cast<int>(segments.back().size()), 4096 - (clear + 2));

  EXPECT_EQ(RoundTrip(kLzw, bits, colours, pixels, width, height), pixels);
}

INSTANTIATE_TEST_SUITE_P(CodeSizes, LzwCodes, ::testing::Values(2, 4, 8));

TEST(RunLengthCodes, InitialThresholds) {
  const struct {
    int size, bump, clear, budget;
  } cases[] = {{2, 3, 9, 4089}, {3, 7, 9, 4085}, {4, 15, 14, 4077}, {8, 255, 254, 3837}};
  for (const auto& c : cases) {
    const RunLengthThresholds t = RunLengthEncoder::InitialThresholds(c.size);
    EXPECT_EQ(t.bump, c.bump) << c.size;
    EXPECT_EQ(t.clear, c.clear) << c.size;
    EXPECT_EQ(t.budget, c.budget) << c.size;
  }
}

std::vector<int> RunLengthCodeValues(int bits, const Bytes& pixels) {
  const Bytes out = Encode(kRunLength, bits, 1 << bits, pixels, static_cast<int>(pixels.size()), 1);
  return CodeValues(ReadCodes(bits, SplitBlocks(out).data));
}

TEST(RunLengthCodes, RunAfterClearDefinesLongerAndLongerRuns) {
  EXPECT_EQ(RunLengthCodeValues(8, Bytes(5, 7)), (std::vector<int>{256, 7, 258, 258, 257}));
  // 1 + 2 + 3 + 4 pixels, the table's run of 4 then known to the coder.
  EXPECT_EQ(RunLengthCodeValues(8, Bytes(10, 3)), (std::vector<int>{256, 3, 258, 259, 260, 257}));
}

TEST(RunLengthCodes, LaterRunOfTheSameColourReusesTheTablesLongestRun) {
  // 100 pixels of 5 after the clear: runs 1..13 (91 pixels) and 9 more, which makes the table's
  // longest run 14 (code 270). The second run of 100 is seven runs of 14 and one of 2.
  Bytes pixels(100, 5);
  pixels.push_back(6);
  pixels.insert(pixels.end(), 100, 5);
  std::vector<int> expected = {256, 5};
  for (int code = 258; code <= 269; ++code) expected.push_back(code);
  expected.push_back(265);
  expected.push_back(6);
  expected.insert(expected.end(), 7, 270);
  expected.push_back(258);
  expected.push_back(257);
  EXPECT_EQ(RunLengthCodeValues(8, pixels), expected);
}

TEST(RunLengthCodes, LiteralPixelsClearAtTheInitialThreshold) {
  // Runs of one pixel are literals; the coder clears after the initial clear threshold of codes.
  for (const int bits : {2, 8}) {
    Bytes pixels(2000);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i % 3);
    const int clear = 1 << bits;
    const auto segments = Segments(
        ReadCodes(bits, SplitBlocks(Encode(kRunLength, bits, clear, pixels, 2000, 1)).data), clear);
    const int threshold = RunLengthEncoder::InitialThresholds(bits).clear;
    ASSERT_GE(segments.size(), 2u);
    for (std::size_t i = 0; i + 1 < segments.size(); ++i)
      EXPECT_EQ(static_cast<int>(segments[i].size()), threshold) << bits << " bits, " << i;
  }
}

TEST(RunLengthCodes, LongRunsStayWithinTheBudgetAndTwelveBits) {
  // A run longer than one budget of codes covers (4089 codes, 8.4 million pixels): clears come
  // after at most the budget.
  const Bytes pixels(std::size_t{10'000'000}, 1);
  const int clear = 4;
  const Bytes out = Encode(kRunLength, 2, 4, pixels, 5000, 2000);
  const std::vector<Code> codes = ReadCodes(2, SplitBlocks(out).data);
  const auto segments = Segments(codes, clear);
  ASSERT_GE(segments.size(), 3u);
  for (const auto& segment : segments)
    EXPECT_LE(static_cast<int>(segment.size()), RunLengthEncoder::InitialThresholds(2).budget);
  for (const Code& code : codes) ASSERT_LE(code.width, 12);
  EXPECT_EQ(RoundTrip(kRunLength, 2, 4, pixels, 5000, 2000), pixels);
}

}  // namespace
}  // namespace morvane::gif::encoder_test
