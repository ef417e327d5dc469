// Colour reduction of a canvas: octree palette, then nearest-colour or diffused mapping.
#include "gif/color_reduction.h"

#include <algorithm>
#include <array>

#include "core/errors.h"
#include "gif/color_lookup.h"
#include "gif/dither.h"
#include "gif/gif_error.h"
#include "gif/octree_quantizer.h"

namespace morvane::gif {

namespace {

// Rows are walked serpentine: the ditherer decides where each row starts and which way it runs,
// and the pixel written is always the one the column points at.
template <typename Ditherer>
void MapPixels(const RgbCanvas& source, Ditherer& ditherer, std::vector<std::uint8_t>& out) {
  const int width = source.Width();
  for (std::int32_t y = 0; y < source.Height(); ++y) {
    const ColorValue* row = source.Row(y);
    std::uint8_t* out_row =
        out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    ditherer.MapRow(row, out_row);
    ditherer.StartNextRow();
  }
}

void CheckSettings(const ReductionSettings& settings) {
  if (settings.dither_method != kDitherNearest && settings.dither_method != kDitherFloydSteinberg)
    throw GifError("Unsupported dither method");
  // More than 2^8 colours would not fit the 256-entry table of an 8-bit frame.
  if (settings.reduction_bits < 0 || settings.reduction_bits > 8)
    throw GifError("Unsupported reduction bits");
}

// The palette part of a reduction: the octree palette in the table, and the pixels in storage
// of the canvas's size (taken from pixels when it already has that size).
ReducedFrame Prepare(const RgbCanvas& source, int reduction_bits, std::vector<ColorValue>& palette,
                     std::vector<std::uint8_t> pixels) {
  if (source.Empty()) throw GifError("Invalid image dimensions");
  ReducedFrame result;
  result.width = source.Width();
  result.height = source.Height();
  palette = BuildOctreePalette(source, 1 << reduction_bits, 8);
  result.palette_count = static_cast<int>(palette.size());
  for (std::size_t i = 0; i < palette.size() && i < result.table.size(); ++i)
    result.table[i] = palette[i];
  result.pixels = std::move(pixels);
  result.pixels.resize(static_cast<std::size_t>(result.width) *
                       static_cast<std::size_t>(result.height));
  return result;
}

}  // namespace

ReducedFrame ReduceBitmap(const RgbCanvas& source, const ReductionSettings& settings,
                          std::vector<std::uint8_t> pixels) {
  CheckSettings(settings);
  std::vector<ColorValue> palette;
  ReducedFrame result = Prepare(source, settings.reduction_bits, palette, std::move(pixels));
  ColorLookup lookup(palette);
  if (settings.dither_method == kDitherFloydSteinberg) {
    FloydSteinbergDitherer ditherer(result.width, lookup);
    MapPixels(source, ditherer, result.pixels);
  } else {
    NearestMapper ditherer(result.width, lookup);
    MapPixels(source, ditherer, result.pixels);
  }
  return result;
}

std::vector<ReducedFrame> ReduceBitmaps(std::span<const RgbCanvas> sources,
                                        const ReductionSettings& settings,
                                        std::vector<std::vector<std::uint8_t>> pixels) {
  pixels.resize(sources.size());
  bool in_step = settings.dither_method == kDitherFloydSteinberg && sources.size() > 1;
  for (const RgbCanvas& source : sources)
    in_step = in_step && !source.Empty() && source.Width() == sources[0].Width() &&
              source.Height() == sources[0].Height();
  std::vector<ReducedFrame> result;
  result.reserve(sources.size());
  if (!in_step) {
    for (std::size_t i = 0; i < sources.size(); ++i)
      result.push_back(ReduceBitmap(sources[i], settings, std::move(pixels[i])));
    return result;
  }
  CheckSettings(settings);
  static_assert(kFramesInStep <= FloydSteinbergDitherer::kMaxInStep);
  constexpr std::size_t kGroup = kFramesInStep;
  for (std::size_t first = 0; first < sources.size(); first += kGroup) {
    const std::size_t count = std::min(kGroup, sources.size() - first);
    std::vector<ColorLookup> lookups;
    lookups.reserve(count);
    std::vector<FloydSteinbergDitherer> ditherers;
    ditherers.reserve(count);
    for (std::size_t i = first; i < first + count; ++i) {
      std::vector<ColorValue> palette;
      result.push_back(Prepare(sources[i], settings.reduction_bits, palette, std::move(pixels[i])));
      lookups.emplace_back(palette);
      ditherers.emplace_back(sources[i].Width(), lookups.back());
    }
    std::array<FloydSteinbergDitherer*, kGroup> walking{};
    std::array<const ColorValue*, kGroup> rows{};
    std::array<std::uint8_t*, kGroup> outs{};
    for (std::size_t i = 0; i < count; ++i) walking[i] = &ditherers[i];
    const auto width = static_cast<std::size_t>(sources[0].Width());
    for (std::int32_t y = 0; y < sources[0].Height(); ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * width;
      for (std::size_t i = 0; i < count; ++i) {
        rows[i] = sources[first + i].Row(y);
        outs[i] = result[first + i].pixels.data() + at;
      }
      FloydSteinbergDitherer::MapRowsInStep({walking.data(), count}, {rows.data(), count},
                                            {outs.data(), count});
      for (std::size_t i = 0; i < count; ++i) ditherers[i].StartNextRow();
    }
  }
  return result;
}

}  // namespace morvane::gif
