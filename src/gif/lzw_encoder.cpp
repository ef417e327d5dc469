// LZW compression of frame data.
#include "gif/lzw_encoder.h"

namespace morvane::gif {

namespace {

// Codes are assigned up to 4094: the string that would get 4095 makes a clear code instead.
constexpr int kClearAtFreeCode = 4095;
constexpr int kMaxCodeWidth = 12;

}  // namespace

void LzwEncoder::EncodeFrame(ByteSink& out, int code_bits, int colour_count,
                             const std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
  LzwEncoder encoder(out, code_bits, colour_count, pixels, width, height);
  encoder.largest_code_ = (1 << encoder.code_width_) - 1;
  encoder.next_free_ = encoder.first_free_;
  encoder.Encode();
}

// After each code the width follows the decoder, which widens its codes once the next free code
// no longer fits; at 12 bits the largest code becomes 4096 so the width stops growing.
inline void LzwEncoder::EmitCode(int code) {
  PackCode(code);
  if (next_free_ > largest_code_ || just_cleared_) {
    if (just_cleared_) {
      code_width_ = initial_width_;
      largest_code_ = (1 << code_width_) - 1;
      just_cleared_ = false;
    } else {
      ++code_width_;
      largest_code_ = code_width_ == kMaxCodeWidth ? 4096 : (1 << code_width_) - 1;
    }
  }
}

void LzwEncoder::EmitClear() {
  just_cleared_ = true;
  EmitCode(clear_code_);
  table_->Clear();
  next_free_ = first_free_;
}

void LzwEncoder::CompressPixels() {
  table_ = std::make_unique<LzwStringTable>();
  LzwStringTable& table = *table_;
  EmitClear();
  const std::uint8_t* pixel = PixelsBegin();
  const std::uint8_t* const end = PixelsEnd();
  int prefix = CheckedPixel(*pixel++);
  for (; pixel < end; ++pixel) {
    const int value = CheckedPixel(*pixel);
    const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | value;
    std::uint32_t slot = 0;
    const int code = table.Find(key, slot);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    EmitCode(prefix);
    prefix = value;
    if (next_free_ >= kClearAtFreeCode) {
      EmitClear();
    } else {
      table.Store(slot, key, next_free_++);
    }
  }
  EmitCode(prefix);
}

}  // namespace morvane::gif
