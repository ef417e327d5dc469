// Colour reduction of a canvas: octree palette, then nearest-colour or diffused mapping.
#include "gif/color_reduction.h"

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

std::array<ReducedFrame, 2> ReduceBitmapPair(const RgbCanvas& first, const RgbCanvas& second,
                                             const ReductionSettings& settings,
                                             std::vector<std::uint8_t> first_pixels,
                                             std::vector<std::uint8_t> second_pixels) {
  if (settings.dither_method != kDitherFloydSteinberg || first.Empty() || second.Empty() ||
      first.Width() != second.Width() || first.Height() != second.Height()) {
    ReducedFrame reduced = ReduceBitmap(first, settings, std::move(first_pixels));
    return {std::move(reduced), ReduceBitmap(second, settings, std::move(second_pixels))};
  }
  CheckSettings(settings);
  std::vector<ColorValue> palette_a, palette_b;
  std::array<ReducedFrame, 2> result{
      Prepare(first, settings.reduction_bits, palette_a, std::move(first_pixels)),
      Prepare(second, settings.reduction_bits, palette_b, std::move(second_pixels))};
  ColorLookup lookup_a(palette_a), lookup_b(palette_b);
  FloydSteinbergDitherer ditherer_a(first.Width(), lookup_a), ditherer_b(second.Width(), lookup_b);
  const auto width = static_cast<std::size_t>(first.Width());
  for (std::int32_t y = 0; y < first.Height(); ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width;
    FloydSteinbergDitherer::MapRowPair(ditherer_a, first.Row(y), result[0].pixels.data() + at,
                                       ditherer_b, second.Row(y), result[1].pixels.data() + at);
    ditherer_a.StartNextRow();
    ditherer_b.StartNextRow();
  }
  return result;
}

}  // namespace morvane::gif
