// Colour reduction of a canvas and the frame assignment built on it.
#include "gif/reduce.h"

#include "gif/color_lookup.h"
#include "gif/dither.h"
#include "gif/gif_image.h"
#include "gif/quantizer.h"

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

void CheckMethods(int reduction_method, int dither_method, int reduction_bits) {
  if (reduction_method != kReductionOptimized) throw GifError("Unsupported reduction method");
  if (dither_method != kDitherNearest && dither_method != kDitherFloydSteinberg)
    throw GifError("Unsupported dither method");
  // More than 2^8 colours would not fit the 256-entry table of an 8-bit frame.
  if (reduction_bits < 0 || reduction_bits > 8) throw GifError("Unsupported reduction bits");
}

// The palette part of a reduction: the octree palette in the table, and the pixels in storage
// of the canvas's size (taken from pixels when it already has that size).
ReducedFrame Prepare(const RgbCanvas& source, int reduction_bits, std::vector<ColorValue>& palette,
                     std::vector<std::uint8_t> pixels) {
  if (source.Empty()) throw GifError("Invalid image dimensions");
  ReducedFrame result;
  result.Width = source.Width();
  result.Height = source.Height();
  palette = BuildOctreePalette(source, 1 << reduction_bits, 8);
  result.PaletteCount = static_cast<int>(palette.size());
  for (std::size_t i = 0; i < palette.size() && i < result.Table.size(); ++i)
    result.Table[i] = palette[i];
  result.Pixels = std::move(pixels);
  result.Pixels.resize(static_cast<std::size_t>(result.Width) *
                       static_cast<std::size_t>(result.Height));
  return result;
}

}  // namespace

ReducedFrame ReduceBitmap(const RgbCanvas& source, int reduction_method, int dither_method,
                          int reduction_bits, std::vector<std::uint8_t> pixels) {
  CheckMethods(reduction_method, dither_method, reduction_bits);
  std::vector<ColorValue> palette;
  ReducedFrame result = Prepare(source, reduction_bits, palette, std::move(pixels));
  ColorLookup lookup(palette);
  if (dither_method == kDitherFloydSteinberg) {
    FloydSteinbergDitherer ditherer(result.Width, lookup);
    MapPixels(source, ditherer, result.Pixels);
  } else {
    NearestMapper ditherer(result.Width, lookup);
    MapPixels(source, ditherer, result.Pixels);
  }
  return result;
}

std::array<ReducedFrame, 2> ReduceBitmapPair(const RgbCanvas& first, const RgbCanvas& second,
                                             int reduction_method, int dither_method,
                                             int reduction_bits,
                                             std::vector<std::uint8_t> first_pixels,
                                             std::vector<std::uint8_t> second_pixels) {
  if (dither_method != kDitherFloydSteinberg || first.Empty() || second.Empty() ||
      first.Width() != second.Width() || first.Height() != second.Height()) {
    ReducedFrame reduced = ReduceBitmap(first, reduction_method, dither_method, reduction_bits,
                                        std::move(first_pixels));
    return {std::move(reduced), ReduceBitmap(second, reduction_method, dither_method,
                                             reduction_bits, std::move(second_pixels))};
  }
  CheckMethods(reduction_method, dither_method, reduction_bits);
  std::vector<ColorValue> palette_a, palette_b;
  std::array<ReducedFrame, 2> result{
      Prepare(first, reduction_bits, palette_a, std::move(first_pixels)),
      Prepare(second, reduction_bits, palette_b, std::move(second_pixels))};
  ColorLookup lookup_a(palette_a), lookup_b(palette_b);
  FloydSteinbergDitherer ditherer_a(first.Width(), lookup_a), ditherer_b(second.Width(), lookup_b);
  const auto width = static_cast<std::size_t>(first.Width());
  for (std::int32_t y = 0; y < first.Height(); ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width;
    FloydSteinbergDitherer::MapRowPair(ditherer_a, first.Row(y), result[0].Pixels.data() + at,
                                       ditherer_b, second.Row(y), result[1].Pixels.data() + at);
    ditherer_a.StartNextRow();
    ditherer_b.StartNextRow();
  }
  return result;
}

void GifFrame::Assign(const RgbCanvas& canvas) {
  if (!Prepare(canvas)) return;
  // The reduction fills the frame's own pixel buffer, which Prepare sized.
  Install(ReduceBitmap(canvas, image_->ReductionMethod, image_->DitherMethod, image_->ReductionBits,
                       std::move(pixels_)));
}

bool GifFrame::Prepare(const RgbCanvas& canvas) {
  Clear();
  if (canvas.Empty()) return false;
  // A frame's size is a 16-bit field of the file.
  if (canvas.Width() > 0xFFFF || canvas.Height() > 0xFFFF)
    throw GifError("Image too large for GIF");
  SetFrameBounds(0, 0, canvas.Width(), canvas.Height());
  return true;
}

void GifFrame::Install(ReducedFrame reduced) {
  local_map_.SetColors(reduced.Table.data(), static_cast<int>(reduced.Table.size()));
  pixels_ = std::move(reduced.Pixels);
}

int GifImage::AddFramePair(const RgbCanvas& first, const RgbCanvas& second) {
  auto a = std::make_unique<GifFrame>(*this);
  auto b = std::make_unique<GifFrame>(*this);
  // Both frames are set up (bounds, logical screen) in order before either is reduced; a frame
  // whose canvas is empty stays empty, as with AddFrame.
  const bool fill_a = a->Prepare(first);
  const bool fill_b = b->Prepare(second);
  if (fill_a && fill_b) {
    std::array<ReducedFrame, 2> reduced =
        ReduceBitmapPair(first, second, ReductionMethod, DitherMethod, ReductionBits,
                         std::move(a->pixels_), std::move(b->pixels_));
    a->Install(std::move(reduced[0]));
    b->Install(std::move(reduced[1]));
  } else {
    if (fill_a)
      a->Install(
          ReduceBitmap(first, ReductionMethod, DitherMethod, ReductionBits, std::move(a->pixels_)));
    if (fill_b)
      b->Install(ReduceBitmap(second, ReductionMethod, DitherMethod, ReductionBits,
                              std::move(b->pixels_)));
  }
  frames_.push_back(std::move(a));
  frames_.push_back(std::move(b));
  return SubImageCount() - 2;
}

}  // namespace morvane::gif
