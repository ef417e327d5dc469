// LZW compression of frame data.
#include "gif/lzw_encoder.h"

#include <algorithm>

namespace morvane::gif {

namespace {

// Codes are assigned up to 4094: the string that would get 4095 makes a clear code instead.
constexpr int kClearAtFreeCode = 4095;
constexpr int kMaxCodeWidth = 12;

}  // namespace

LzwEncoder::LzwEncoder(ByteSink& out, const FrameCode& frame)
    : FrameEncoder(out, frame.code_bits, frame.colour_count, frame.pixels, frame.width,
                   frame.height) {
  largest_code_ = (1 << code_width_) - 1;
  next_free_ = first_free_;
}

void LzwEncoder::EncodeFrame(ByteSink& out, int code_bits, int colour_count,
                             const std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
  LzwEncoder encoder(out, FrameCode{code_bits, colour_count, pixels, width, height});
  encoder.Encode();
}

void LzwEncoder::EncodeFramePair(const FrameCode& first, ByteSink& first_out,
                                 const FrameCode& second, ByteSink& second_out) {
  LzwEncoder a(first_out, first);
  LzwEncoder b(second_out, second);
  const std::ptrdiff_t a_valid = a.ValidPixelCount();
  const std::ptrdiff_t b_valid = b.ValidPixelCount();
  if (a_valid == 0 || b_valid == 0 || a.PixelsBegin() + a_valid != a.PixelsEnd() ||
      b.PixelsBegin() + b_valid != b.PixelsEnd()) {
    a.Encode();
    b.Encode();
    return;
  }
  // Each step's table lookup waits on the one before it; two frames' steps do not, so the
  // processor overlaps them.
  a.Begin();
  b.Begin();
  Cursor at_a = a.Start(a_valid);
  Cursor at_b = b.Start(b_valid);
  for (std::ptrdiff_t both = std::min(at_a.end - at_a.pixel, at_b.end - at_b.pixel); both > 0;
       --both) {
    a.Step(at_a);
    b.Step(at_b);
  }
  while (at_a.pixel < at_a.end) a.Step(at_a);
  while (at_b.pixel < at_b.end) b.Step(at_b);
  a.EmitCode(at_a.prefix);
  b.EmitCode(at_b.prefix);
  a.End();
  b.End();
}

// After each code the width follows the decoder, which widens its codes once the next free code
// no longer fits; at 12 bits the largest code becomes 4096 so the width stops growing.
[[gnu::always_inline]] inline void LzwEncoder::EmitCode(int code) {
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

LzwEncoder::Cursor LzwEncoder::Start(std::ptrdiff_t valid_count) {
  table_ = std::make_unique<LzwStringTable>();
  EmitClear();
  if (valid_count == 0) RaiseColorNotInTable();
  return Cursor{PixelsBegin() + 1, PixelsBegin() + valid_count, *PixelsBegin()};
}

[[gnu::always_inline]] inline void LzwEncoder::Step(Cursor& cursor) {
  const int value = *cursor.pixel++;
  const std::uint32_t key = static_cast<std::uint32_t>(cursor.prefix) << 8 | value;
  std::uint32_t slot = 0;
  const int code = table_->Find(key, slot);
  if (code >= 0) {
    cursor.prefix = code;
    return;
  }
  EndString(cursor.prefix, key, slot);
  cursor.prefix = value;
}

[[gnu::noinline]] void LzwEncoder::EndString(int prefix, std::uint32_t key, std::uint32_t slot) {
  EmitCode(prefix);
  if (next_free_ >= kClearAtFreeCode) {
    EmitClear();
  } else {
    table_->Store(slot, key, next_free_++);
  }
}

void LzwEncoder::CompressPixels() {
  // The codes of the pixels before the first one outside the colour table go out; that pixel
  // then raises the error before its string is coded.
  const std::ptrdiff_t valid = ValidPixelCount();
  Cursor cursor = Start(valid);
  while (cursor.pixel < cursor.end) Step(cursor);
  if (cursor.end != PixelsEnd()) RaiseColorNotInTable();
  EmitCode(cursor.prefix);
}

}  // namespace morvane::gif
