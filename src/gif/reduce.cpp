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

}  // namespace

TReducedBitmap ReduceBitmap(const RgbCanvas& source, int reduction_method, int dither_method,
                            int reduction_bits) {
  if (reduction_method != kReductionOptimized) throw GIFException("Unsupported reduction method");
  if (dither_method != kDitherNearest && dither_method != kDitherFloydSteinberg)
    throw GIFException("Unsupported dither method");
  // More than 2^8 colours would not fit the 256-entry table of an 8-bit frame.
  if (reduction_bits < 0 || reduction_bits > 8) throw GIFException("Unsupported reduction bits");
  if (source.Empty()) throw GIFException("Invalid image dimensions");

  TReducedBitmap result;
  result.Width = source.Width();
  result.Height = source.Height();
  const std::vector<ColorValue> palette = BuildOctreePalette(source, 1 << reduction_bits, 8);
  result.PaletteCount = static_cast<int>(palette.size());
  for (std::size_t i = 0; i < palette.size() && i < result.Table.size(); ++i)
    result.Table[i] = palette[i];

  TFastColorLookup lookup(palette);
  result.Pixels.assign(
      static_cast<std::size_t>(result.Width) * static_cast<std::size_t>(result.Height), 0);
  if (dither_method == kDitherFloydSteinberg) {
    TFloydSteinbergDitherer ditherer(result.Width, lookup);
    MapPixels(source, ditherer, result.Pixels);
  } else {
    TDitherEngine ditherer(result.Width, lookup);
    MapPixels(source, ditherer, result.Pixels);
  }
  return result;
}

void TGIFSubImage::Assign(const RgbCanvas& canvas) {
  Clear();
  if (canvas.Empty()) return;
  // A frame's size is a 16-bit field of the file.
  if (canvas.Width() > 0xFFFF || canvas.Height() > 0xFFFF)
    throw GIFException("Image too large for GIF");
  SetFrameBounds(0, 0, canvas.Width(), canvas.Height());
  TReducedBitmap reduced =
      ReduceBitmap(canvas, image_->ReductionMethod, image_->DitherMethod, image_->ReductionBits);
  local_map_.SetColors(reduced.Table.data(), static_cast<int>(reduced.Table.size()));
  pixels_ = std::move(reduced.Pixels);
}

}  // namespace morvane::gif
