// The encoders' shared frame set-up, pixel walk and framing of the code stream.
#include "gif/encoders.h"

#include <stdexcept>

namespace morvane::gif {

FrameEncoder::FrameEncoder(ByteSink& out, int codeBits, int colourCount, const std::uint8_t* pixels,
                           bool interlaced, std::int32_t width, std::int32_t height)
    : out_(&out),
      colour_count_(colourCount),
      pixels_(pixels),
      interlaced_(interlaced),
      width_(width),
      height_(height),
      cursor_(pixels),
      writer_(out) {
  // Codes never grow past 12 bits, which leaves room for minimum code sizes up to 8 only.
  if (codeBits > 8) throw std::invalid_argument("GIF code size above 8 bits");
  min_code_size_ = codeBits < 2 ? 2 : codeBits;
  initial_width_ = code_width_ = min_code_size_ + 1;
  clear_code_ = 1 << min_code_size_;
  end_code_ = clear_code_ + 1;
  first_free_ = clear_code_ + 2;
  pixels_left_ = interlaced ? width : std::int64_t{width} * height;
}

void FrameEncoder::Encode() {
  out_->push_back(static_cast<std::uint8_t>(min_code_size_));
  try {
    if (pixels_ != nullptr && width_ > 0 && height_ > 0) CompressPixels();
    PackCode(end_code_);
  } catch (...) {
    // What was packed before the failure still goes out, whole bytes only; the frame stays
    // without end code and terminator.
    WriteWholeBytes();
    writer_.Flush();
    throw;
  }
  writer_.Flush();
  out_->push_back(0x00);
}

void FrameEncoder::RaiseColorNotInTable() {
  throw GifError("Color not in color table");
}

bool FrameEncoder::NextInterlacedRow() {
  // Pass 1 takes every 8th row from row 0, pass 2 every 8th from row 4, pass 3 every 4th from
  // row 2 and pass 4 every 2nd from row 1; a pass that starts below the last row is skipped.
  static constexpr std::int32_t kStart[4] = {0, 4, 2, 1};
  static constexpr std::int32_t kStep[4] = {8, 8, 4, 2};
  row_ += kStep[pass_];
  while (row_ >= height_) {
    if (++pass_ > 3) return false;
    row_ = kStart[pass_];
  }
  pixels_left_ = width_;
  cursor_ = pixels_ + static_cast<std::ptrdiff_t>(row_) * width_;
  return true;
}

void EncodeFrame(ByteSink& out, std::uint8_t compression, int codeBits, int colourCount,
                 const std::uint8_t* pixels, bool interlaced, std::int32_t width,
                 std::int32_t height) {
  if (compression == kCompressionRLE) {
    RunLengthEncoder::EncodeFrame(out, codeBits, colourCount, pixels, interlaced, width, height);
  } else {
    LzwEncoder::EncodeFrame(out, codeBits, colourCount, pixels, interlaced, width, height);
  }
}

}  // namespace morvane::gif
