// The encoders' shared frame set-up and framing of the code stream.
#include "gif/frame_encoder.h"

#include <stdexcept>

#include "core/errors.h"
#include "gif/gif_error.h"
#include "gif/lzw_encoder.h"
#include "gif/run_length_encoder.h"

namespace morvane::gif {

FrameEncoder::FrameEncoder(ByteSink& out, int code_bits, int colour_count,
                           const std::uint8_t* pixels, std::int32_t width, std::int32_t height)
    : out_(&out),
      colour_count_(colour_count),
      pixels_(width > 0 && height > 0 ? pixels : nullptr),
      pixels_end_(pixels_ == nullptr
                      ? nullptr
                      : pixels_ + static_cast<std::ptrdiff_t>(std::int64_t{width} * height)),
      writer_(out) {
  // Codes never grow past 12 bits, which leaves room for minimum code sizes up to 8 only.
  if (code_bits > 8) throw std::invalid_argument("GIF code size above 8 bits");
  min_code_size_ = code_bits < 2 ? 2 : code_bits;
  initial_width_ = code_width_ = min_code_size_ + 1;
  clear_code_ = 1 << min_code_size_;
  end_code_ = clear_code_ + 1;
  first_free_ = clear_code_ + 2;
}

void FrameEncoder::Encode() {
  Begin();
  try {
    if (pixels_ != nullptr) CompressPixels();
  } catch (...) {
    // What was packed before the failure still goes out, whole bytes only; the frame stays
    // without end code and terminator.
    WriteWholeBytes();
    writer_.Flush();
    throw;
  }
  End();
}

void FrameEncoder::Begin() {
  out_->push_back(static_cast<std::uint8_t>(min_code_size_));
}

void FrameEncoder::End() {
  PackCode(end_code_);
  writer_.Flush();
  out_->push_back(0x00);
}

std::ptrdiff_t FrameEncoder::ValidPixelCount() const {
  if (pixels_ == nullptr) return 0;
  if (colour_count_ >= 256) return pixels_end_ - pixels_;
  const std::uint8_t* pixel = pixels_;
  while (pixel < pixels_end_ && *pixel < colour_count_) ++pixel;
  return pixel - pixels_;
}

void FrameEncoder::RaiseColorNotInTable() {
  throw GifError("Color not in color table");
}

void EncodeFrame(ByteSink& out, FrameCompression compression, int code_bits, int colour_count,
                 const std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
  if (compression == FrameCompression::kRunLength) {
    RunLengthEncoder::EncodeFrame(out, code_bits, colour_count, pixels, width, height);
  } else {
    LzwEncoder::EncodeFrame(out, code_bits, colour_count, pixels, width, height);
  }
}

void EncodeFramePair(FrameCompression compression, const FrameCode& first, ByteSink& first_out,
                     const FrameCode& second, ByteSink& second_out) {
  if (compression == FrameCompression::kLzw) {
    LzwEncoder::EncodeFramePair(first, first_out, second, second_out);
    return;
  }
  EncodeFrame(first_out, compression, first.code_bits, first.colour_count, first.pixels,
              first.width, first.height);
  EncodeFrame(second_out, compression, second.code_bits, second.colour_count, second.pixels,
              second.width, second.height);
}

bool EncodeFrameGroup(FrameCompression compression, std::span<const FrameCode> frames,
                      std::span<ByteSink* const> outs) {
  return compression == FrameCompression::kLzw && LzwEncoder::EncodeFrameGroup(frames, outs);
}

}  // namespace morvane::gif
