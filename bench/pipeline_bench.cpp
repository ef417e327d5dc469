// The converter's stages on the frames of the measuring sprite (tools/benchsprite): 32 frames
// of one direction, 256 x 256, four alpha-blended layers. Each stage runs on what the stage
// before it produced, as in a conversion, and reports the time per frame pixel ("per_pixel").
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "app/frame_source.h"
#include "benchsprite/benchsprite.h"
#include "gif/color_lookup.h"
#include "gif/color_map_optimizer.h"
#include "gif/color_reduction.h"
#include "gif/dither.h"
#include "gif/frame_encoder.h"
#include "gif/gif_image.h"
#include "gif/octree_quantizer.h"
#include "platform/file.h"
#include "sprite/sprite.h"
#include "sprwriter/sprwriter.h"

namespace {

using namespace morvane;

constexpr int kFrames = 32;
constexpr int kSize = 256;

// The measuring sprite in memory with its image data loaded.
struct LoadedSprite {
  MemoryFile file;
  Sprite sprite;

  LoadedSprite()
      : file(sprwriter::WriteSprite(benchsprite::LargeSprite({kFrames, 1, kSize}))),
        sprite(ParseSprite(file)) {
    sprite.GetCollection(0)->SetImages(LoadImageSet(file, sprite, 0));
  }
};

LoadedSprite& Loaded() {
  static LoadedSprite loaded;
  return loaded;
}

// The composited frames, as the converter hands them to the GIF image.
const std::vector<RgbCanvas>& Frames() {
  static const std::vector<RgbCanvas> frames = [] {
    std::vector<RgbCanvas> out;
    LoadedSprite& loaded = Loaded();
    DirectionFrames frames(loaded.sprite, *loaded.sprite.GetSequence(0),
                           *loaded.sprite.GetCollection(0), 0, false);
    RgbCanvas canvas(frames.Geometry().width, frames.Geometry().height);
    while (frames.DrawNext(canvas, 0, kBlendByAlpha)) out.push_back(canvas);
    return out;
  }();
  return frames;
}

// The frames reduced to 256 colours, with and without dithering.
const std::vector<gif::ReducedFrame>& Reduced(int dither) {
  static const auto make = [](int method) {
    gif::ReductionSettings settings;
    settings.dither_method = method;
    std::vector<gif::ReducedFrame> out;
    for (const RgbCanvas& frame : Frames()) out.push_back(gif::ReduceBitmap(frame, settings));
    return out;
  };
  static const std::vector<gif::ReducedFrame> nearest = make(gif::kDitherNearest),
                                              dithered = make(gif::kDitherFloydSteinberg);
  return dither == gif::kDitherFloydSteinberg ? dithered : nearest;
}

void SetPerPixel(benchmark::State& state, double pixels) {
  state.counters["per_pixel"] = benchmark::Counter(
      pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Reading a collection's image data: inflating it and taking apart its palettes and ZAR records.
void BM_LoadImages(benchmark::State& state) {
  LoadedSprite& loaded = Loaded();
  for (auto _ : state) {
    ImageSet images = LoadImageSet(loaded.file, loaded.sprite, 0);
    state.PauseTiming();
    images = ImageSet{};  // its memory goes back outside the timing
    state.ResumeTiming();
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_LoadImages)->Unit(benchmark::kMillisecond);

// Decoding the ZAR runs of all four layers and blending them onto the cleared canvas: the
// true-colour canvas the GIF is reduced from, or one that keeps alpha.
template <typename Canvas>
void DrawFrames(benchmark::State& state) {
  LoadedSprite& loaded = Loaded();
  const Sequence& sequence = *loaded.sprite.GetSequence(0);
  const Collection& anim = *loaded.sprite.GetCollection(0);
  const FrameGeometry geometry = DirectionGeometry(loaded.sprite, sequence, anim, 0, false);
  Canvas canvas(geometry.width, geometry.height);
  for (auto _ : state) {
    DirectionFrames frames(loaded.sprite, sequence, anim, 0, false);
    while (frames.DrawNext(canvas, 0, kBlendByAlpha)) benchmark::DoNotOptimize(canvas.Row(0));
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
void BM_DrawFrames(benchmark::State& state) {
  DrawFrames<RgbCanvas>(state);
}
void BM_DrawFramesRgba(benchmark::State& state) {
  DrawFrames<RgbaCanvas>(state);
}
BENCHMARK(BM_DrawFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFramesRgba)->Unit(benchmark::kMillisecond);

void BM_OctreePalette(benchmark::State& state) {
  for (auto _ : state)
    for (const RgbCanvas& frame : Frames())
      benchmark::DoNotOptimize(gif::BuildOctreePalette(frame, 256, 8));
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_OctreePalette)->Unit(benchmark::kMillisecond);

// Mapping every pixel to the frame's palette (the palettes are made outside the timing); a
// fresh lookup per frame, as in a conversion.
template <typename Ditherer>
void MapFrames(benchmark::State& state) {
  std::vector<std::vector<ColorValue>> palettes;
  for (const RgbCanvas& frame : Frames())
    palettes.push_back(gif::BuildOctreePalette(frame, 256, 8));
  std::vector<std::uint8_t> out(kSize * kSize);
  for (auto _ : state) {
    for (std::size_t f = 0; f < Frames().size(); ++f) {
      const RgbCanvas& frame = Frames()[f];
      gif::ColorLookup lookup(palettes[f]);
      Ditherer ditherer(frame.Width(), lookup);
      for (int y = 0; y < frame.Height(); ++y) {
        ditherer.MapRow(frame.Row(y), out.data() + static_cast<std::size_t>(y) * frame.Width());
        ditherer.StartNextRow();
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
void BM_MapNearest(benchmark::State& state) {
  MapFrames<gif::NearestMapper>(state);
}
void BM_MapFloydSteinberg(benchmark::State& state) {
  MapFrames<gif::FloydSteinbergDitherer>(state);
}
BENCHMARK(BM_MapNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFloydSteinberg)->Unit(benchmark::kMillisecond);

// Floyd-Steinberg on four frames at once, as the conversion does it.
void BM_MapFloydSteinbergInStep(benchmark::State& state) {
  constexpr std::size_t kGroup = gif::FloydSteinbergDitherer::kMaxInStep;
  std::vector<std::vector<ColorValue>> palettes;
  for (const RgbCanvas& frame : Frames())
    palettes.push_back(gif::BuildOctreePalette(frame, 256, 8));
  std::vector<std::vector<std::uint8_t>> out(kGroup, std::vector<std::uint8_t>(kSize * kSize));
  for (auto _ : state) {
    for (std::size_t f = 0; f + kGroup <= Frames().size(); f += kGroup) {
      std::vector<gif::ColorLookup> lookups;
      lookups.reserve(kGroup);
      std::vector<gif::FloydSteinbergDitherer> ditherers;
      ditherers.reserve(kGroup);
      std::array<gif::FloydSteinbergDitherer*, kGroup> walking{};
      for (std::size_t i = 0; i < kGroup; ++i) {
        lookups.emplace_back(palettes[f + i]);
        ditherers.emplace_back(Frames()[f + i].Width(), lookups.back());
        walking[i] = &ditherers[i];
      }
      std::array<const ColorValue*, kGroup> rows{};
      std::array<std::uint8_t*, kGroup> outs{};
      for (int y = 0; y < Frames()[f].Height(); ++y) {
        for (std::size_t i = 0; i < kGroup; ++i) {
          rows[i] = Frames()[f + i].Row(y);
          outs[i] = out[i].data() + static_cast<std::size_t>(y) * Frames()[f].Width();
        }
        gif::FloydSteinbergDitherer::MapRowsInStep(walking, rows, outs);
        for (gif::FloydSteinbergDitherer& ditherer : ditherers) ditherer.StartNextRow();
      }
      benchmark::DoNotOptimize(out[0].data());
    }
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_MapFloydSteinbergInStep)->Unit(benchmark::kMillisecond);

// One GIF's colour maps merged into a global one; the frames are set up outside the timing.
void BM_OptimizeColorMaps(benchmark::State& state) {
  const int dither = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto image = std::make_unique<gif::GifImage>();
    for (const gif::ReducedFrame& reduced : Reduced(dither)) {
      gif::GifFrame frame(reduced.width, reduced.height);
      frame.LocalColorMap().SetColors(reduced.table.data(), 256);
      frame.Pixels() = reduced.pixels;
      image->AddFrame(std::move(frame));
    }
    state.ResumeTiming();
    gif::OptimizeColorMaps(*image);
    benchmark::DoNotOptimize(image->GlobalColorMap().ColorCount());
    state.PauseTiming();
    image.reset();
    state.ResumeTiming();
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_OptimizeColorMaps)
    ->ArgNames({"dither"})
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// The frame encoders on the reduced frames, two frames at a time as the conversion codes them.
void BM_Encode(benchmark::State& state) {
  const auto compression = static_cast<gif::FrameCompression>(state.range(0));
  const int dither = static_cast<int>(state.range(1));
  // Frames coded in step: 2 as pairs, more in groups of that many (then pairs).
  const auto in_step = static_cast<std::size_t>(state.range(2));
  const std::vector<gif::ReducedFrame>& frames = Reduced(dither);
  auto code_of = [](const gif::ReducedFrame& reduced) {
    return gif::FrameCode{8, 256, reduced.pixels.data(), reduced.width, reduced.height};
  };
  std::vector<gif::ByteSink> outs(frames.size());
  std::vector<gif::FrameCode> codes;
  std::vector<gif::ByteSink*> out_pointers;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    codes.push_back(code_of(frames[f]));
    out_pointers.push_back(&outs[f]);
  }
  for (auto _ : state) {
    for (gif::ByteSink& out : outs) out.clear();
    std::size_t f = 0;
    if (in_step > 2) {
      for (; f + in_step <= frames.size(); f += in_step) {
        if (!gif::EncodeFrameGroup(compression, std::span(codes).subspan(f, in_step),
                                   std::span(out_pointers).subspan(f, in_step)))
          break;
      }
    }
    for (; f + 1 < frames.size(); f += 2)
      gif::EncodeFramePair(compression, codes[f], outs[f], codes[f + 1], outs[f + 1]);
    for (gif::ByteSink& out : outs) benchmark::DoNotOptimize(out.data());
  }
  SetPerPixel(state, kFrames * kSize * kSize);
}
BENCHMARK(BM_Encode)
    ->ArgNames({"rle", "dither", "in_step"})
    ->Apply([](benchmark::internal::Benchmark* b) {
      const auto lzw = static_cast<std::int64_t>(gif::FrameCompression::kLzw);
      const auto rle = static_cast<std::int64_t>(gif::FrameCompression::kRunLength);
      const auto group = static_cast<std::int64_t>(gif::kFrameGroupSize);
      for (const std::int64_t dither : {gif::kDitherNearest, gif::kDitherFloydSteinberg}) {
        b->Args({lzw, dither, 2});
        for (const std::int64_t size : {std::int64_t{gif::kMinFrameGroupSize},
                                        std::int64_t{gif::kMinWideFrameGroupSize}, group})
          b->Args({lzw, dither, size});
        b->Args({rle, dither, 2});
      }
    })
    ->Unit(benchmark::kMillisecond);

}  // namespace
