// Frames made from canvases: size, local map and pixels, failures that add nothing, and pairs
// that equal single frames.
#include "gif/frame_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

ReductionSettings Refused() {
  ReductionSettings settings;
  settings.dither_method = 2;
  return settings;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const GifError& e) {
    return e.what();
  }
  return "no error";
}

TEST(BuildFrame, CanvasBecomesAFrameWithA256EntryLocalMap) {
  GifImage image;
  RgbCanvas canvas(3, 2);
  canvas.FillRect(0, 0, 3, 2, Rgb(9, 8, 7));
  canvas.SetPixel(2, 1, Rgb(255, 255, 255));
  ASSERT_EQ(image.AddFrame(BuildFrame(canvas, ReductionSettings())), 0);
  const GifFrame& frame = image.FrameAt(0);
  EXPECT_EQ(frame.Width(), 3);
  EXPECT_EQ(frame.Height(), 2);
  EXPECT_EQ(image.Header().logical_width, 3);
  EXPECT_EQ(image.Header().logical_height, 2);
  EXPECT_FALSE(frame.HasTransparency());
  EXPECT_TRUE(frame.Extensions().empty());
  ASSERT_EQ(frame.LocalColorMap().ColorCount(), 256);
  EXPECT_EQ(frame.LocalColorMap().Entry(0), Rgb(9, 8, 7));
  EXPECT_EQ(frame.LocalColorMap().Entry(1), Rgb(255, 255, 255));
  EXPECT_EQ(frame.LocalColorMap().Entry(2), 0u);
  EXPECT_EQ(frame.Pixels(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(frame.PixelAt(2, 1), 1);
  // The unsorted map finds the highest of its many blacks.
  EXPECT_EQ(frame.LocalColorMap().FindColor(0), 255);
}

TEST(BuildFrame, EmptyCanvasGivesAnEmptyFrame) {
  GifImage image;
  ASSERT_EQ(image.AddFrame(BuildFrame(RgbCanvas(0, 5), ReductionSettings())), 0);
  EXPECT_TRUE(image.FrameAt(0).IsEmpty());
  EXPECT_EQ(image.FrameAt(0).LocalColorMap().ColorCount(), 0);
  EXPECT_EQ(image.Header().logical_width, 0);
  EXPECT_THROW(image.FrameAt(0).PixelAt(0, 0), GifError);
}

TEST(BuildFrame, FailuresComeBeforeAnyFrameIsAdded) {
  GifImage image;
  EXPECT_EQ(ErrorOf([&] { image.AddFrame(BuildFrame(RgbCanvas(2, 2), Refused())); }),
            "Unsupported dither method");
  EXPECT_EQ(image.FrameCount(), 0);
  // A canvas no GIF can hold is refused before the reduction is asked; for pairs, both sizes
  // are checked before either canvas is reduced.
  const RgbCanvas too_wide(0x10000, 1);
  EXPECT_EQ(ErrorOf([&] { BuildFrame(too_wide, Refused()); }), "Image too large for GIF");
  const RgbCanvas with_too_wide[] = {RgbCanvas(2, 2), too_wide};
  EXPECT_EQ(ErrorOf([&] { BuildFrames(with_too_wide, Refused()); }), "Image too large for GIF");
  const RgbCanvas two_sizes[] = {RgbCanvas(2, 2), RgbCanvas(3, 3)};
  EXPECT_EQ(ErrorOf([&] { BuildFrames(two_sizes, Refused()); }), "Unsupported dither method");
}

// Frames built in groups equal frames built one by one: noisy canvases (so the diffusion and the
// cache decisions are busy) of one size in groups of 2 to 6 (more than walk in step), of two
// sizes, and with an empty canvas.
TEST(BuildFrames, GroupsGiveTheFramesOfSingleBuilds) {
  std::uint32_t seed = 3;
  auto canvas = [&seed](int width, int height) {
    RgbCanvas c(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        c.SetPixel(x, y, (seed >> 8) & (x < width / 2 ? 0xFFFFFF : 0xF0F0F0));
      }
    return c;
  };
  std::vector<std::vector<RgbCanvas>> groups;
  for (int size = 2; size <= 6; ++size) {
    groups.emplace_back();
    for (int i = 0; i < size; ++i) groups.back().push_back(canvas(37, 9));
  }
  groups.push_back({canvas(37, 9), canvas(20, 5)});
  groups.push_back({RgbCanvas(), canvas(3, 3)});
  for (const int dither : {kDitherFloydSteinberg, kDitherNearest}) {
    ReductionSettings settings;
    settings.dither_method = dither;
    for (const std::vector<RgbCanvas>& group : groups) {
      const std::vector<GifFrame> grouped = BuildFrames(group, settings);
      ASSERT_EQ(grouped.size(), group.size());
      for (std::size_t i = 0; i < group.size(); ++i) {
        const GifFrame single = BuildFrame(group[i], settings);
        const GifFrame& b = grouped[i];
        EXPECT_EQ(b.Width(), single.Width());
        EXPECT_EQ(b.Height(), single.Height());
        EXPECT_EQ(b.Pixels(), single.Pixels()) << "frame " << i << " of " << group.size();
        ASSERT_EQ(b.LocalColorMap().ColorCount(), single.LocalColorMap().ColorCount());
        for (int e = 0; e < single.LocalColorMap().ColorCount(); ++e)
          EXPECT_EQ(b.LocalColorMap().Entry(e), single.LocalColorMap().Entry(e));
      }
    }
  }
}

}  // namespace
}  // namespace morvane::gif
