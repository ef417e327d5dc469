// Frames made from canvases, optimised and written, then decoded by giflib: with at most 256
// colours in all, none sharing a 5-bit cell, every pixel comes back as it was drawn.
#include <gtest/gtest.h>

#include "pinned_support.h"
#include "support/giflib_reader.h"

namespace morvane::gif {
namespace {

using pinned::CellColour;
using pinned::ConvertOptions;
using pinned::ConvertToBytes;

std::vector<RgbCanvas> CellFrames(int count, int colours_used, int first_colour) {
  std::vector<RgbCanvas> canvases;
  for (int k = 0; k < count; ++k) {
    RgbCanvas canvas(23, 13);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 23; ++x)
        canvas.SetPixel(x, y, CellColour(first_colour + (x * 7 + y * 3 + k * 50) % colours_used));
    canvases.push_back(std::move(canvas));
  }
  return canvases;
}

TEST(OptimizedGifDecodes, EveryPixelKeepsItsColour) {
  const std::vector<RgbCanvas> canvases = CellFrames(3, 256, 0);
  for (bool dither : {false, true})
    for (bool rle : {false, true}) {
      ConvertOptions options;
      options.dither = dither;
      options.rle = rle;
      const testing::DecodedGif gif = testing::DecodeGif(ConvertToBytes(canvases, options));
      ASSERT_EQ(gif.frames.size(), 3u);
      EXPECT_EQ(gif.global_map.size(), 256u);
      EXPECT_TRUE(gif.sort_flag);
      for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(gif.frames[k].local_map.empty());
        const std::vector<std::uint32_t> pixels = gif.FramePixels(k);
        for (int y = 0; y < 13; ++y)
          for (int x = 0; x < 23; ++x)
            ASSERT_EQ(pixels[static_cast<std::size_t>(y * 23 + x)], canvases[k].GetPixel(x, y))
                << "dither " << dither << " rle " << rle << " frame " << k << " at " << x << ","
                << y;
      }
    }
}

// With transparency, the background pixels decode to the shared transparent index (the last
// entry) and all others to their own colour.
TEST(OptimizedGifDecodes, TransparentBackgroundGoesToTheLastEntry) {
  const ColorValue background = CellColour(255);
  std::vector<RgbCanvas> canvases = CellFrames(2, 200, 10);
  for (RgbCanvas& canvas : canvases) canvas.FillRect(0, 0, 23, 4, background);
  canvases[1].FillRect(0, 0, 23, 13, background);
  canvases[1].SetPixel(5, 5, CellColour(3));
  for (bool rle : {false, true}) {
    ConvertOptions options;
    options.rle = rle;
    options.transparent = true;
    options.background = background;
    const testing::DecodedGif gif = testing::DecodeGif(ConvertToBytes(canvases, options));
    ASSERT_EQ(gif.frames.size(), 2u);
    EXPECT_EQ(gif.version, "89a");
    EXPECT_TRUE(gif.frames[0].has_loop);
    for (std::size_t k = 0; k < 2; ++k) {
      const testing::DecodedFrame& frame = gif.frames[k];
      ASSERT_TRUE(frame.has_gce);
      EXPECT_EQ(frame.disposal, 2);
      ASSERT_GE(frame.transparent_index, 0);
      EXPECT_EQ(gif.global_map[static_cast<std::size_t>(frame.transparent_index)], 0u);
      const std::vector<std::uint32_t> pixels = gif.FramePixels(k);
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 23; ++x) {
          const std::size_t i = static_cast<std::size_t>(y * 23 + x);
          if (canvases[k].GetPixel(x, y) == background)
            ASSERT_EQ(frame.indices[i], frame.transparent_index) << k << " " << x << "," << y;
          else
            ASSERT_EQ(pixels[i], canvases[k].GetPixel(x, y)) << k << " " << x << "," << y;
        }
    }
  }
}

}  // namespace
}  // namespace morvane::gif
