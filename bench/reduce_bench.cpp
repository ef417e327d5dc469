// Colour reduction (octree palette plus nearest-colour mapping, with and without dithering) and
// the colour-map optimiser on 256 x 256 frames. "per_pixel" is the time per canvas pixel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "gif/color_map_optimizer.h"
#include "gif/color_reduction.h"
#include "gif/frame_builder.h"
#include "gif/gif_image.h"

namespace {

using morvane::ColorValue;
using morvane::RgbCanvas;
using morvane::gif::GifImage;

constexpr int kSize = 256;

enum Content { kNoise = 0, kGradient = 1, kSprite = 2 };

// Noise: a fixed LCG over all 24 bits (the worst case: every pixel a new colour).
// Gradient: smooth ramps, a few thousand colours. Sprite: a flat background with a shaded
// figure in the middle, like the converter's frames.
RgbCanvas MakeCanvas(int content, std::uint32_t seed = 1) {
  RgbCanvas canvas(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      ColorValue colour = 0;
      switch (content) {
        case kNoise:
          seed = seed * 1664525u + 1013904223u;
          colour = seed >> 8;
          break;
        case kGradient:
          colour = static_cast<ColorValue>(x) | static_cast<ColorValue>(y) << 8 |
                   static_cast<ColorValue>((x + y) / 2) << 16;
          break;
        default: {
          const int dx = x - kSize / 2, dy = y - kSize / 2;
          if (dx * dx + dy * dy < 80 * 80) {
            seed = seed * 1664525u + 1013904223u;
            const ColorValue shade =
                static_cast<ColorValue>((dx * dx + dy * dy) / 40 + (seed >> 29));
            colour = (90 + shade) | (60 + shade / 2) << 8 | (30 + shade / 3) << 16;
          } else {
            colour = 0xFF00FF;
          }
        }
      }
      canvas.SetPixel(x, y, colour);
    }
  return canvas;
}

void SetPerPixel(benchmark::State& state, double pixels_per_iteration) {
  state.counters["per_pixel"] =
      benchmark::Counter(pixels_per_iteration, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

void BM_Reduce(benchmark::State& state) {
  const RgbCanvas canvas = MakeCanvas(static_cast<int>(state.range(0)));
  morvane::gif::ReductionSettings settings;
  settings.dither_method = static_cast<int>(state.range(1));
  for (auto _ : state) {
    auto reduced = morvane::gif::ReduceBitmap(canvas, settings);
    benchmark::DoNotOptimize(reduced.pixels.data());
  }
  SetPerPixel(state, kSize * kSize);
}
BENCHMARK(BM_Reduce)
    ->ArgNames({"content", "dither"})
    ->ArgsProduct({{kNoise, kGradient, kSprite},
                   {morvane::gif::kDitherNearest, morvane::gif::kDitherFloydSteinberg}});

// Eight frames of one animation: AddFrame outside the timing, OptimizeColorMaps timed.
void BM_Optimize(benchmark::State& state) {
  constexpr int kFrames = 8;
  const int content = static_cast<int>(state.range(0));
  std::vector<RgbCanvas> canvases;
  for (int i = 0; i < kFrames; ++i)
    canvases.push_back(MakeCanvas(content, static_cast<std::uint32_t>(i + 1)));
  for (auto _ : state) {
    state.PauseTiming();
    auto image = std::make_unique<GifImage>();
    for (const RgbCanvas& canvas : canvases)
      image->AddFrame(morvane::gif::BuildFrame(canvas, morvane::gif::ReductionSettings()));
    state.ResumeTiming();
    morvane::gif::OptimizeColorMaps(*image);
    benchmark::DoNotOptimize(image->GlobalColorMap().ColorCount());
    state.PauseTiming();
    image.reset();
    state.ResumeTiming();
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_Optimize)->ArgNames({"content"})->Arg(kNoise)->Arg(kGradient)->Arg(kSprite);

}  // namespace
