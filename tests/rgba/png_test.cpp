#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "rgba/png_encoder.h"
#include "rgba/rgba_support.h"

namespace morvane::rgba {
namespace {

using testing::DecodePng;
using testing::PatternFrame;

class PngWriterTest : public ::testing::TestWithParam<PngWriter> {};

TEST_P(PngWriterTest, LibpngReadsBackEveryPixel) {
  struct Case {
    std::int32_t width, height;
    std::uint32_t seed;
  };
  for (const Case& c : {Case{1, 1, 0}, Case{1, 1, 3}, Case{3, 2, 1}, Case{17, 5, 2},
                        Case{300, 1, 4}, Case{1, 300, 5}, Case{64, 64, 6}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const std::vector<RgbaPixel> pixels = PatternFrame(c.width, c.height, c.seed);
    const testing::DecodedImage decoded =
        DecodePng(EncodePng({pixels, c.width, c.height}, GetParam()));
    EXPECT_EQ(decoded.width, c.width);
    EXPECT_EQ(decoded.height, c.height);
    EXPECT_EQ(decoded.pixels, pixels);
  }
}

TEST_P(PngWriterTest, RowByRowGivesTheSamePixels) {
  constexpr std::int32_t kWidth = 40, kHeight = 9;
  const std::vector<RgbaPixel> pixels = PatternFrame(kWidth, kHeight, 7);
  PngRowEncoder encoder(kWidth, kHeight, GetParam());
  for (std::int32_t y = 0; y < kHeight; ++y)
    encoder.AddRow(std::span(pixels).subspan(static_cast<std::size_t>(y) * kWidth, kWidth));
  EXPECT_EQ(DecodePng(encoder.Finish()).pixels, pixels);
  EXPECT_THROW(encoder.Finish(), std::logic_error);
}

TEST_P(PngWriterTest, RefusesWhatIsNotAnImage) {
  const std::vector<RgbaPixel> pixels(6);
  EXPECT_THROW(EncodePng({pixels, 0, 6}, GetParam()), std::invalid_argument);
  EXPECT_THROW(EncodePng({pixels, 2, 2}, GetParam()), std::invalid_argument);
  EXPECT_THROW(PngRowEncoder(1, 0, GetParam()), std::invalid_argument);

  PngRowEncoder encoder(3, 2, GetParam());
  EXPECT_THROW(encoder.AddRow(std::span(pixels).first(2)), std::invalid_argument);
  encoder.AddRow(std::span(pixels).first(3));
  EXPECT_THROW(encoder.Finish(), std::logic_error);
  encoder.AddRow(std::span(pixels).first(3));
  EXPECT_THROW(encoder.AddRow(std::span(pixels).first(3)), std::invalid_argument);
}

std::vector<PngWriter> AvailableWriters() {
  std::vector<PngWriter> writers;
  for (PngWriter writer : {PngWriter::kSpng, PngWriter::kStb, PngWriter::kLibdeflate})
    if (PngWriterAvailable(writer)) writers.push_back(writer);
  return writers;
}

INSTANTIATE_TEST_SUITE_P(Writers, PngWriterTest, ::testing::ValuesIn(AvailableWriters()),
                         [](const auto& info) {
                           return std::string(info.param == PngWriter::kSpng  ? "spng"
                                              : info.param == PngWriter::kStb ? "stb"
                                                                              : "libdeflate");
                         });

}  // namespace
}  // namespace morvane::rgba
