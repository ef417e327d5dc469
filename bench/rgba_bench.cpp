// The full-alpha encoders on sprite frames: PNG (libspng and stb_image_write, over zlib at
// several levels, strategies and row filters), the sheet's PNG, and animated lossless WebP (at
// several methods, efforts and key-frame spacings). Each reports the time per frame pixel
// ("per_pixel", ns) and the bytes written per frame pixel ("bytes_per_pixel").
//
// Two sets of 32 frames of 256 x 256, both one direction of the measuring sprite
// (tools/benchsprite) composited with straight alpha: "march" with all four layers (the faint
// glow covers most of each frame, so few pixels are fully transparent), and "figure" without
// the glow: a lit body and armour with soft edges over a soft shadow, in a transparent border,
// as most sprite frames are.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "benchsprite/benchsprite.h"
#include "rgba/png_backends.h"
#include "rgba/png_encoder.h"
#include "rgba/sheet_layout.h"
#include "rgba/sheet_writer.h"
#include "rgba/webp_encoder.h"
#include "sprwriter/sprwriter.h"

namespace {

using namespace morvane;
using rgba::RgbaPixel;

constexpr int kFrames = 32;
constexpr int kSize = 256;

// A layer pixel of palette colour (r, g, b) and alpha a over the canvas pixel, straight alpha,
// in exact integers: over a transparent pixel it gives (colour, a), over an opaque one the
// usual blend.
RgbaPixel Over(RgbaPixel under, std::uint32_t colour, std::uint32_t a) {
  if (a == 0) return under;
  if (a == 255) return (colour & 0xFFFFFFu) | 0xFF000000u;
  const std::uint32_t under_alpha = under >> 24;
  const std::uint32_t total = a * 255 + under_alpha * (255 - a);
  RgbaPixel out = (total / 255) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t c = colour >> shift & 255, u = under >> shift & 255;
    out |= (c * a * 255 + u * under_alpha * (255 - a)) / total << shift;
  }
  return out;
}

// Draws a ZAR image's runs at (zar.left, zar.top) of a kSize x kSize canvas.
void DrawRuns(const sprwriter::Zar& zar, const std::vector<sprwriter::Colour>& palette,
              std::vector<RgbaPixel>& canvas) {
  std::size_t at = 0;
  for (std::int32_t y = 0; y < zar.height; ++y)
    for (std::int32_t x = 0; x < zar.width;) {
      const std::uint8_t control = zar.data[at++];
      const int count = control >> 2;
      for (int i = 0; i < count; ++i, ++x) {
        std::uint32_t index = 0, alpha = 255;
        switch (control & 3) {
          case sprwriter::kRunTransparent:
            alpha = 0;
            break;
          case sprwriter::kRunOpaque:
            index = zar.data[at++];
            break;
          case sprwriter::kRunWithAlpha:
            index = zar.data[at++];
            alpha = zar.data[at++];
            break;
          default:
            alpha = zar.data[at++];
            break;
        }
        RgbaPixel& pixel = canvas[static_cast<std::size_t>(zar.top + y) * kSize +
                                  static_cast<std::size_t>(zar.left + x)];
        pixel = Over(pixel, palette[index], alpha);
      }
    }
}

std::vector<std::vector<RgbaPixel>> MakeFrames(int layers) {
  const benchsprite::Shape shape{kFrames, 1, kSize};
  const sprwriter::Sprite sprite = benchsprite::LargeSprite(shape);
  const auto& palettes = sprite.collections[0].images.palettes;
  std::vector<std::vector<RgbaPixel>> frames;
  for (int f = 0; f < kFrames; ++f) {
    std::vector<RgbaPixel> canvas(static_cast<std::size_t>(kSize) * kSize, 0);
    const auto cell = benchsprite::CellLayers(shape, f, 0);
    for (int layer = 0; layer < layers; ++layer)
      DrawRuns(cell[static_cast<std::size_t>(layer)],
               palettes[static_cast<std::size_t>(layer)].colours, canvas);
    frames.push_back(std::move(canvas));
  }
  return frames;
}

const std::vector<std::vector<RgbaPixel>>& Frames(int set) {
  static const auto march = MakeFrames(4);
  static const auto figure = MakeFrames(3);
  return set == 0 ? march : figure;
}

std::vector<rgba::RgbaFrameView> Views(int set) {
  std::vector<rgba::RgbaFrameView> views;
  for (const auto& frame : Frames(set)) views.push_back({frame, kSize, kSize});
  return views;
}

void SetCounters(benchmark::State& state, std::size_t bytes) {
  const double pixels = double{kFrames} * kSize * kSize;
  state.counters["per_pixel"] = benchmark::Counter(
      pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_per_pixel"] = static_cast<double>(bytes) / pixels;
  state.counters["kB"] = static_cast<double>(bytes) / 1000;
}

const char* SetName(int set) {
  return set == 0 ? "march" : "figure";
}

#if MORVANE_RGBA_HAVE_SPNG
// Args: frame set, zlib level, zlib strategy, filter choice.
void BM_PngSpng(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  const rgba::png_detail::PngCompression compression{
      .zlib_level = static_cast<int>(state.range(1)),
      .zlib_strategy = static_cast<int>(state.range(2)),
      .zlib_mem_level = 8,
      .filters = static_cast<int>(state.range(3))};
  const auto views = Views(set);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& view : views)
      bytes += rgba::png_detail::EncodeWithSpng(view, compression).size();
  }
  state.SetLabel(SetName(set));
  SetCounters(state, bytes);
}

void SpngArguments(benchmark::internal::Benchmark* bench) {
  using namespace rgba::png_detail;
  bench->ArgNames({"set", "level", "strategy", "filters"});
  for (int set : {0, 1}) {
    // zlib's default level with every filter (libspng's default choice), then the levels and
    // strategies that are fast enough to consider, each with the filters one by one.
    bench->Args({set, 6, Z_FILTERED, kFilterAll});
    bench->Args({set, 6, Z_DEFAULT_STRATEGY, kFilterAll});
    for (int level : {1, 2, 3})
      for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE})
        for (int filters : {kFilterNone, kFilterSub, kFilterUp, kFilterPaeth, kFilterAll})
          bench->Args({set, level, strategy, filters});
    bench->Args({set, 1, Z_HUFFMAN_ONLY, kFilterUp});
    bench->Args({set, 1, Z_HUFFMAN_ONLY, kFilterPaeth});
  }
}
BENCHMARK(BM_PngSpng)->Apply(SpngArguments)->Unit(benchmark::kMillisecond);
#endif

// stb_image_write at the converter's zlib settings, choosing among all filters per row.
void BM_PngStb(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  const auto views = Views(set);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& view : views) bytes += rgba::png_detail::EncodeWithStb(view).size();
  }
  state.SetLabel(SetName(set));
  SetCounters(state, bytes);
}
BENCHMARK(BM_PngStb)->ArgName("set")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The 32 frames as a sheet of one direction (32 cells in a row), with each writer built.
void BM_Sheet(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  const auto writer = state.range(1) == 0 ? rgba::PngWriter::kSpng : rgba::PngWriter::kStb;
  if (!rgba::PngWriterAvailable(writer)) {
    state.SkipWithError("this build has no libspng");
    return;
  }
  const auto views = Views(set);
  const rgba::DirectionCanvas canvas{-kSize / 2, -kSize, kSize, kSize, kFrames, false};
  std::size_t bytes = 0;
  for (auto _ : state) {
    rgba::SheetWriter sheet(rgba::LayOutSheet({&canvas, 1}, false), writer);
    for (const auto& view : views) sheet.AddFrame(view);
    bytes = sheet.Finish().size();
  }
  state.SetLabel(SetName(set));
  SetCounters(state, bytes);
}
BENCHMARK(BM_Sheet)
    ->ArgNames({"set", "stb"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

#if MORVANE_RGBA_HAVE_WEBP
// Args: frame set, method, quality, kmax (kmin follows as kmax - 1, or 0).
void BM_Webp(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  const int kmax = static_cast<int>(state.range(3));
  const rgba::WebpSettings settings{.method = static_cast<int>(state.range(1)),
                                    .quality = static_cast<float>(state.range(2)),
                                    .min_keyframe_distance = kmax > 1 ? kmax - 1 : 0,
                                    .max_keyframe_distance = kmax};
  const auto views = Views(set);
  std::size_t bytes = 0;
  for (auto _ : state) bytes = rgba::EncodeAnimatedWebp(views, 100, settings).size();
  state.SetLabel(SetName(set));
  SetCounters(state, bytes);
}

void WebpArguments(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"set", "method", "quality", "kmax"});
  for (int set : {0, 1}) {
    for (int method = 0; method <= 6; ++method) bench->Args({set, method, 0, 0});
    for (int quality : {25, 50, 75, 100}) bench->Args({set, 0, quality, 0});
    for (int quality : {25, 75}) bench->Args({set, 1, quality, 0});
    bench->Args({set, 0, 0, 1});
    bench->Args({set, 0, 0, 9});
  }
}
BENCHMARK(BM_Webp)->Apply(WebpArguments)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
