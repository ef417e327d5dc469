#include <algorithm>
#include <cstring>

#include "sprite/binary.h"
#include "sprite/sprite.h"

namespace morvane {

namespace {

constexpr std::uint8_t kZarTag[6] = {'<', 'z', 'a', 'r', '>', 0};

// The data is read in pieces, so that memory grows only with bytes that are really there: a
// packed stream's size is a promise, and a DataSize field can claim anything.
constexpr std::size_t kDataChunk = 256 * 1024;

// Run kinds, from the low two bits of the control byte.
constexpr int kTransparent = 0;
constexpr int kOpaque = 1;
constexpr int kWithAlpha = 2;
constexpr int kAlphaOnly = 3;

void PlotPixel(RgbCanvas& canvas, std::int64_t x, std::int64_t y, ColorValue colour, int alpha,
               std::int32_t threshold) {
  if (alpha == 0) return;
  if (threshold != -1) {
    if (alpha >= threshold) canvas.SetPixel(x, y, colour);
    return;
  }
  if (alpha == 255) {
    canvas.SetPixel(x, y, colour);
    return;
  }
  if (!canvas.Contains(x, y)) return;
  const ColorValue under = canvas.GetPixel(x, y);
  ColorValue blended = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const ColorValue b = (under >> shift) & 0xFF;
    const ColorValue c = (colour >> shift) & 0xFF;
    const ColorValue a = static_cast<ColorValue>(alpha);
    blended |= (((255 - a) * b + a * c) / 255) << shift;
  }
  canvas.SetPixel(x, y, blended);
}

}  // namespace

TZarImage::TZarImage(TFile& stream, std::int32_t left, std::int32_t top) : left_(left), top_(top) {
  std::uint8_t tag[8];
  ReadFully(stream, tag, sizeof tag);
  if (std::memcmp(tag, kZarTag, sizeof kZarTag) != 0) {
    throw ELoggable("<zar> tag not found. " + FilePosText(stream.Position()));
  }
  subtype_ = static_cast<char>(tag[6]);
  reserved_ = tag[7];
  if (subtype_ != '3' && subtype_ != '4') {
    throw ELoggable(std::string("unknown zar subtype=") + subtype_ + " " +
                    FilePosText(stream.Position()));
  }

  width_ = binary::ReadInt32(stream);
  height_ = binary::ReadInt32(stream);
  std::uint8_t paletteFlag = 0;
  ReadFully(stream, &paletteFlag, 1);
  if (paletteFlag == 1) {
    throw ELoggable("zar must not include palette. " + FilePosText(stream.Position()));
  }

  const std::int32_t dataSize = binary::ReadInt32(stream);
  binary::CheckCount(dataSize, "zar data size", stream.Position());
  const auto size = static_cast<std::size_t>(dataSize);
  for (std::size_t have = 0; have < size;) {
    const std::size_t chunk = std::min(size - have, kDataChunk);
    data_.resize(have + chunk);
    ReadFully(stream, data_.data() + have, static_cast<std::int32_t>(chunk));
    have += chunk;
  }
}

void TZarImage::Draw(RgbCanvas& canvas, CanvasPoint origin, std::int32_t threshold,
                     const TPalette& palette) const {
  const std::int64_t x0 = std::int64_t{origin.x} + left_;
  const std::int64_t y0 = std::int64_t{origin.y} + top_;
  std::int64_t col = 0;
  std::int64_t row = 0;
  const std::size_t end = data_.size();
  std::size_t pos = 0;
  while (pos < end) {
    const std::uint8_t control = data_[pos++];
    const int kind = control & 3;
    const int n = control >> 2;
    const std::size_t runBytes = kind == kTransparent ? 0
                                 : kind == kWithAlpha ? 2 * static_cast<std::size_t>(n)
                                                      : static_cast<std::size_t>(n);
    if (runBytes > end - pos) break;  // a cut run is not drawn and ends the image
    const std::uint8_t* run = data_.data() + pos;
    const std::int64_t x = x0 + col;
    const std::int64_t y = y0 + row;
    // Runs do not wrap: all n pixels lie on the current row, even past Width.
    switch (kind) {
      case kOpaque:
        for (int j = 0; j < n; ++j) {
          PlotPixel(canvas, x + j, y, palette[run[j]] & 0xFFFFFFu, 255, threshold);
        }
        break;
      case kWithAlpha:
        for (int j = 0; j < n; ++j) {
          PlotPixel(canvas, x + j, y, palette[run[2 * j]] & 0xFFFFFFu, run[2 * j + 1], threshold);
        }
        break;
      case kAlphaOnly:
        for (int j = 0; j < n; ++j) {
          PlotPixel(canvas, x + j, y, palette[0] & 0xFFFFFFu, run[j], threshold);
        }
        break;
      default:  // transparent pixels draw nothing
        break;
    }
    pos += runBytes;
    col += n;
    if (col >= width_) {
      ++row;
      col = 0;
    }
  }
}

}  // namespace morvane
