// LZW compression of frame data.
#include "gif/lzw_encoder.h"

#include <algorithm>

namespace morvane::gif {

namespace {

// Codes are assigned up to 4094: the string that would get 4095 makes a clear code instead.
constexpr std::uint32_t kClearAtFreeCode = 4095;
constexpr int kMaxCodeWidth = 12;
constexpr std::uint32_t kEmpty = LzwStringTable::kEmpty;

}  // namespace

LzwEncoder::LzwEncoder(ByteSink& out, const FrameCode& frame)
    : FrameEncoder(out, frame.code_bits, frame.colour_count, frame.pixels, frame.width,
                   frame.height) {
  largest_code_ = (1 << code_width_) - 1;
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
  const auto tables = std::make_unique_for_overwrite<LzwStringTable::Storage[]>(2);
  a.Begin();
  b.Begin();
  Walk at_a = a.Start(a_valid, &tables[0]);
  Walk at_b = b.Start(b_valid, &tables[1]);
  for (;;) {
    const std::ptrdiff_t both = std::min(a.PixelsEnd() - at_a.pixel, b.PixelsEnd() - at_b.pixel);
    if (both == 0) break;
    StepBoth(at_a, at_b, at_a.pixel + both);
    if (at_a.next_free > kClearAtFreeCode) a.PackKept(at_a);
    if (at_b.next_free > kClearAtFreeCode) b.PackKept(at_b);
  }
  a.WalkTo(at_a, a.PixelsEnd());
  b.WalkTo(at_b, b.PixelsEnd());
  a.Finish(at_a);
  b.Finish(at_b);
  a.End();
  b.End();
}

LzwEncoder::Walk LzwEncoder::Start(std::ptrdiff_t valid_count, LzwStringTable::Storage* storage) {
  table_ = storage != nullptr ? std::make_unique<LzwStringTable>(*storage)
                              : std::make_unique<LzwStringTable>();
  PackClear();
  Walk walk{PixelsBegin(), 0, static_cast<std::uint32_t>(first_free_), &table_->Raw()};
  if (valid_count > 0) walk.prefix = *walk.pixel++;
  return walk;
}

// A step has no branch on whether the string goes on, which a processor cannot foresee (one
// string ends every 4 to 6 pixels): it reads the first two slots the key's probe may reach and
// chooses with masks. Only a key whose probe goes on past them takes the loop.
[[gnu::always_inline]] inline void LzwEncoder::Step(std::uint32_t& prefix, std::uint32_t& next_free,
                                                    std::uint32_t value,
                                                    LzwStringTable::Storage& table) {
  std::uint32_t* const slots = table.slots.data();
  const std::uint32_t tag = (prefix << 8 | value) << 12;
  // FirstSlot(key), with the pixel's part of the product taken off the chain from one step's
  // prefix to the next.
  const std::uint32_t first =
      (prefix * (LzwStringTable::kHashFactor << 8) + value * LzwStringTable::kHashFactor) >>
      LzwStringTable::kHashShift;
  const std::uint32_t first_entry = slots[first];
  const std::uint32_t second_entry = slots[first + 1];
  // An entry xor the key's tag is below 4096 exactly when the entry holds the key, and it is
  // then the entry's code. An empty slot never reads so: no key has all 20 bits set. At most one
  // of the two holds the key, so the smaller of the two is its code if either is.
  std::uint32_t next_prefix = std::min(first_entry ^ tag, second_entry ^ tag);
  std::uint32_t found = 0u - static_cast<std::uint32_t>(next_prefix < 0x1000);
  std::uint32_t free_slot = first + static_cast<std::uint32_t>(first_entry != kEmpty);
  // Empty slots hold the largest value: the larger entry is empty unless both slots are taken.
  if ((~found & (std::max(first_entry, second_entry) + 1)) != 0) [[unlikely]] {
    // Both slots hold other keys: the probe goes on past them.
    if (const int code = LzwStringTable::Probe(slots, tag >> 12, free_slot); code >= 0) {
      found = ~0u;
      next_prefix = static_cast<std::uint32_t>(code);
    }
  }
  const std::uint32_t ended = ~found;
  const std::uint32_t string = prefix;
  prefix = (next_prefix & found) | (value & ended);
  // The string so far is kept as the code written when next_free is assigned; a string that
  // goes on leaves it to be overwritten.
  table.codes[next_free] = static_cast<std::uint16_t>(string);
  // An ended string enters the table with the pixel after it; otherwise the store goes to the
  // spare slot past the table.
  slots[(free_slot & ended) | (LzwStringTable::kSpareSlot & found)] = tag | next_free;
  next_free += ended & 1u;
}

void LzwEncoder::StepOne(Walk& walk, const std::uint8_t* end) {
  // Copies that nothing else sees stay in registers.
  const std::uint8_t* pixel = walk.pixel;
  std::uint32_t prefix = walk.prefix;
  std::uint32_t next_free = walk.next_free;
  while (pixel < end) {
    Step(prefix, next_free, *pixel++, *walk.table);
    if (next_free > kClearAtFreeCode) break;
  }
  walk.pixel = pixel;
  walk.prefix = prefix;
  walk.next_free = next_free;
}

void LzwEncoder::StepBoth(Walk& a, Walk& b, const std::uint8_t* end) {
  // Fewer values live across the loop than two walks of their own: one count for both walks'
  // pixels, read back from their ends, and one base for both tables. With a pointer, an end and
  // a table each, x86-64's registers ran out and the second walk's prefix went through the
  // stack at every step, on the chain from one step to the next. The empty asm makes the base
  // opaque, so that GCC addresses the second table from it rather than keeping a register for
  // it. BM_Encode, 16 rounds taking turns: 5.77/6.88 -> 5.70/6.28 ns per pixel (median), the
  // median of the round-by-round ratios 0.94/0.92.
  LzwStringTable::Storage* tables = a.table;
  const std::ptrdiff_t count = end - a.pixel;
  const std::uint8_t* const a_end = end;
  const std::uint8_t* const b_end = b.pixel + count;
  std::uint32_t a_prefix = a.prefix, a_next_free = a.next_free;
  std::uint32_t b_prefix = b.prefix, b_next_free = b.next_free;
  std::ptrdiff_t at = -count;
  while (at < 0) {
    asm("" : "+r"(tables));
    Step(a_prefix, a_next_free, a_end[at], tables[0]);
    Step(b_prefix, b_next_free, b_end[at], tables[1]);
    ++at;
    if ((a_next_free | b_next_free) > kClearAtFreeCode) break;
  }
  a.pixel = a_end + at;
  a.prefix = a_prefix;
  a.next_free = a_next_free;
  b.pixel = b_end + at;
  b.prefix = b_prefix;
  b.next_free = b_next_free;
}

void LzwEncoder::PackClear() {
  PackCode(clear_code_);
  code_width_ = initial_width_;
  largest_code_ = (1 << code_width_) - 1;
}

// Each code goes out at the width the decoder reads it with: the decoder widens its codes once
// the next free code, the one assigned with this code, no longer fits; at 12 bits the largest
// code becomes 4096 so the width stops growing.
void LzwEncoder::PackAssigning(std::uint32_t code, std::uint32_t assigned) {
  PackCode(static_cast<int>(code));
  if (static_cast<int>(assigned) > largest_code_) {
    ++code_width_;
    largest_code_ = code_width_ == kMaxCodeWidth ? 4096 : (1 << code_width_) - 1;
  }
}

// The string that would get code 4095 makes a clear code after its own.
void LzwEncoder::PackKept(Walk& walk) {
  const std::uint32_t end = std::min(walk.next_free, LzwStringTable::kCodes);
  for (auto code = static_cast<std::uint32_t>(first_free_); code < end; ++code)
    PackAssigning(walk.table->codes[code], code);
  if (walk.next_free > kClearAtFreeCode) {
    PackClear();
    table_->Clear();
    walk.next_free = static_cast<std::uint32_t>(first_free_);
  }
}

void LzwEncoder::WalkTo(Walk& walk, const std::uint8_t* end) {
  while (walk.pixel < end) {
    StepOne(walk, end);
    if (walk.next_free > kClearAtFreeCode) PackKept(walk);
  }
}

void LzwEncoder::Finish(Walk& walk) {
  PackKept(walk);
  // The end code's width follows this last code like any other.
  PackAssigning(walk.prefix, walk.next_free);
}

void LzwEncoder::CompressPixels() {
  // The codes of the pixels before the first one outside the colour table go out; that pixel
  // then raises the error before its string is coded.
  const std::ptrdiff_t valid = ValidPixelCount();
  Walk walk = Start(valid);
  WalkTo(walk, PixelsBegin() + valid);
  if (valid == 0 || PixelsBegin() + valid != PixelsEnd()) {
    PackKept(walk);
    RaiseColorNotInTable();
  }
  Finish(walk);
}

}  // namespace morvane::gif
