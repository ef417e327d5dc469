// LZW compression of frame data.
#include "gif/lzw_encoder.h"

#include <algorithm>
#include <array>

#include "gif/cpu_features.h"

#if MORVANE_X86_DISPATCH
#include <immintrin.h>
#endif

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

bool LzwEncoder::EncodeFrameGroup(std::span<const FrameCode> frames,
                                  std::span<ByteSink* const> outs) {
#if MORVANE_X86_DISPATCH
  const std::size_t size = frames.size();
  if (size < kMinGroupSize || size > kGroupSize || outs.size() != size || !HasAvx512())
    return false;
  std::array<std::unique_ptr<LzwEncoder>, kGroupSize> encoders;
  std::array<LzwEncoder*, kGroupSize> lanes{};
  std::ptrdiff_t count = -1;
  for (std::size_t l = 0; l < size; ++l) {
    encoders[l].reset(new LzwEncoder(*outs[l], frames[l]));
    lanes[l] = encoders[l].get();
    const std::ptrdiff_t valid = lanes[l]->ValidPixelCount();
    if (count < 0) count = valid;
    if (valid != count || valid < 4 || lanes[l]->PixelsBegin() + valid != lanes[l]->PixelsEnd())
      return false;
  }
  const auto tables = std::make_unique_for_overwrite<LzwStringTable::Storage[]>(size);
  std::array<Walk, kGroupSize> walks{};
  for (std::size_t l = 0; l < size; ++l) {
    lanes[l]->Begin();
    walks[l] = lanes[l]->Start(count, &tables[l]);
  }
  // Whole steps of four pixels from the second pixel on; the last one to three pixels of each
  // frame take the walk of one frame.
  const std::ptrdiff_t steps = 1 + (count - 1) / 4 * 4;
  StepGroup(lanes.data(), walks.data(), static_cast<int>(size), steps);
  for (std::size_t l = 0; l < size; ++l) {
    lanes[l]->WalkTo(walks[l], lanes[l]->PixelsEnd());
    lanes[l]->Finish(walks[l]);
    lanes[l]->End();
  }
  return true;
#else
  (void)frames;
  (void)outs;
  return false;
#endif
}

#if MORVANE_X86_DISPATCH
// GCC 12's AVX-512 intrinsics fill the lanes they leave undefined from a variable initialised
// with itself, which GCC then reports as uninitialised once they are inlined here.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
namespace {

#define MORVANE_LANES_TARGET \
  __attribute__((target("avx512f,avx512vl,popcnt"), always_inline)) static

// The vector operations of a group's walk at one width: sixteen lanes in 512-bit registers,
// or eight in 256-bit ones for groups of up to eight frames.
struct SixteenLanes {
  using Vector = __m512i;
  using Mask = __mmask16;
  static constexpr int kCount = 16;
  MORVANE_LANES_TARGET Vector Load(const void* from) { return _mm512_loadu_si512(from); }
  MORVANE_LANES_TARGET void Store(void* to, Vector v) { _mm512_storeu_si512(to, v); }
  MORVANE_LANES_TARGET Vector Broadcast(std::uint32_t value) {
    return _mm512_set1_epi32(static_cast<int>(value));
  }
  MORVANE_LANES_TARGET Vector Add(Vector a, Vector b) { return _mm512_add_epi32(a, b); }
  MORVANE_LANES_TARGET Vector And(Vector a, Vector b) { return _mm512_and_si512(a, b); }
  MORVANE_LANES_TARGET Vector Or(Vector a, Vector b) { return _mm512_or_si512(a, b); }
  MORVANE_LANES_TARGET Vector Xor(Vector a, Vector b) { return _mm512_xor_si512(a, b); }
  MORVANE_LANES_TARGET Vector Multiply(Vector a, Vector b) { return _mm512_mullo_epi32(a, b); }
  MORVANE_LANES_TARGET Vector Min(Vector a, Vector b) { return _mm512_min_epu32(a, b); }
  MORVANE_LANES_TARGET Vector Max(Vector a, Vector b) { return _mm512_max_epu32(a, b); }
  template <int kBits>
  MORVANE_LANES_TARGET Vector ShiftLeft(Vector a) {
    return _mm512_slli_epi32(a, kBits);
  }
  template <int kBits>
  MORVANE_LANES_TARGET Vector ShiftRight(Vector a) {
    return _mm512_srli_epi32(a, kBits);
  }
  MORVANE_LANES_TARGET Mask Below(Vector a, Vector b) { return _mm512_cmplt_epu32_mask(a, b); }
  MORVANE_LANES_TARGET Mask Above(Vector a, Vector b) { return _mm512_cmpgt_epu32_mask(a, b); }
  MORVANE_LANES_TARGET Mask Differ(Vector a, Vector b) { return _mm512_cmpneq_epi32_mask(a, b); }
  // a + b where mask is set, a elsewhere; b where mask is set, a elsewhere.
  MORVANE_LANES_TARGET Vector AddWhere(Mask mask, Vector a, Vector b) {
    return _mm512_mask_add_epi32(a, mask, a, b);
  }
  MORVANE_LANES_TARGET Vector Choose(Mask mask, Vector a, Vector b) {
    return _mm512_mask_mov_epi32(a, mask, b);
  }
  MORVANE_LANES_TARGET void Scatter(std::uint32_t* base, Mask mask, Vector index, Vector value) {
    _mm512_mask_i32scatter_epi32(base, mask, index, value, 4);
  }
  // The words at base + 4 * index and the words after them where mask is set, all bits set
  // elsewhere: each pair one 64-bit element. Zen 4 gathers at a cost per element (BM_Encode,
  // sixteen lanes: 3.6 to 3.8 ns a pixel with a gather per slot, 3.4 to 3.6 with this).
  MORVANE_LANES_TARGET void GatherPairs(Mask mask, Vector index, const std::uint32_t* base,
                                        Vector& at, Vector& after) {
    const __m512i none = _mm512_set1_epi32(-1);
    const __m512i low = _mm512_mask_i32gather_epi64(none, static_cast<__mmask8>(mask),
                                                    _mm512_castsi512_si256(index), base, 4);
    const __m512i high = _mm512_mask_i32gather_epi64(none, static_cast<__mmask8>(mask >> 8),
                                                     _mm512_extracti64x4_epi64(index, 1), base, 4);
    const __m512i evens =
        _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    const __m512i odds =
        _mm512_set_epi32(31, 29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 7, 5, 3, 1);
    at = _mm512_permutex2var_epi32(low, evens, high);
    after = _mm512_permutex2var_epi32(low, odds, high);
  }
  // Stores the words of v where mask is set side by side from to on, and whatever after them
  // up to a whole vector's width; returns the end of those words. The words are compressed in
  // a register and stored whole: AMD's Zen 4 runs a compressing store to memory as a long
  // microcoded sequence (BM_Encode, sixteen lanes, 4.6 against 3.4 to 3.7 ns a pixel).
  MORVANE_LANES_TARGET std::uint32_t* Append(std::uint32_t* to, Mask mask, Vector v) {
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi32(mask, v));
    return to + __builtin_popcount(mask);
  }
  // The four bytes at address + offset of every lane, one 32-bit word each.
  MORVANE_LANES_TARGET Vector GatherPixels(const std::uint64_t* addresses, std::ptrdiff_t offset) {
    const __m512i at = _mm512_set1_epi64(offset);
    const __m512i low = _mm512_add_epi64(_mm512_loadu_si512(addresses), at);
    const __m512i high = _mm512_add_epi64(_mm512_loadu_si512(addresses + 8), at);
    return _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_i64gather_epi32(low, nullptr, 1)),
                              _mm512_i64gather_epi32(high, nullptr, 1), 1);
  }
};

struct EightLanes {
  using Vector = __m256i;
  using Mask = __mmask8;
  static constexpr int kCount = 8;
  MORVANE_LANES_TARGET Vector Load(const void* from) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(from));
  }
  MORVANE_LANES_TARGET void Store(void* to, Vector v) {
    _mm256_storeu_si256(static_cast<__m256i*>(to), v);
  }
  MORVANE_LANES_TARGET Vector Broadcast(std::uint32_t value) {
    return _mm256_set1_epi32(static_cast<int>(value));
  }
  MORVANE_LANES_TARGET Vector Add(Vector a, Vector b) { return _mm256_add_epi32(a, b); }
  MORVANE_LANES_TARGET Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
  MORVANE_LANES_TARGET Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  MORVANE_LANES_TARGET Vector Xor(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
  MORVANE_LANES_TARGET Vector Multiply(Vector a, Vector b) { return _mm256_mullo_epi32(a, b); }
  MORVANE_LANES_TARGET Vector Min(Vector a, Vector b) { return _mm256_min_epu32(a, b); }
  MORVANE_LANES_TARGET Vector Max(Vector a, Vector b) { return _mm256_max_epu32(a, b); }
  template <int kBits>
  MORVANE_LANES_TARGET Vector ShiftLeft(Vector a) {
    return _mm256_slli_epi32(a, kBits);
  }
  template <int kBits>
  MORVANE_LANES_TARGET Vector ShiftRight(Vector a) {
    return _mm256_srli_epi32(a, kBits);
  }
  MORVANE_LANES_TARGET Mask Below(Vector a, Vector b) { return _mm256_cmplt_epu32_mask(a, b); }
  MORVANE_LANES_TARGET Mask Above(Vector a, Vector b) { return _mm256_cmpgt_epu32_mask(a, b); }
  MORVANE_LANES_TARGET Mask Differ(Vector a, Vector b) { return _mm256_cmpneq_epi32_mask(a, b); }
  MORVANE_LANES_TARGET Vector AddWhere(Mask mask, Vector a, Vector b) {
    return _mm256_mask_add_epi32(a, mask, a, b);
  }
  MORVANE_LANES_TARGET Vector Choose(Mask mask, Vector a, Vector b) {
    return _mm256_mask_mov_epi32(a, mask, b);
  }
  MORVANE_LANES_TARGET void Scatter(std::uint32_t* base, Mask mask, Vector index, Vector value) {
    _mm256_mask_i32scatter_epi32(base, mask, index, value, 4);
  }
  MORVANE_LANES_TARGET void GatherPairs(Mask mask, Vector index, const std::uint32_t* base,
                                        Vector& at, Vector& after) {
    const __m512i pairs = _mm512_mask_i32gather_epi64(_mm512_set1_epi32(-1), mask, index, base, 4);
    at = _mm512_cvtepi64_epi32(pairs);
    after = _mm512_cvtepi64_epi32(_mm512_srli_epi64(pairs, 32));
  }
  MORVANE_LANES_TARGET std::uint32_t* Append(std::uint32_t* to, Mask mask, Vector v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_maskz_compress_epi32(mask, v));
    return to + __builtin_popcount(mask);
  }
  MORVANE_LANES_TARGET Vector GatherPixels(const std::uint64_t* addresses, std::ptrdiff_t offset) {
    const __m512i at = _mm512_set1_epi64(offset);
    return _mm512_i64gather_epi32(_mm512_add_epi64(_mm512_loadu_si512(addresses), at), nullptr, 1);
  }
};

#undef MORVANE_LANES_TARGET

}  // namespace

// Up to sixteen frames' walks, one per lane, each lane the same step as Step: the two slots its
// probe starts at are gathered, and a lane whose probe goes on past them is finished alone.
// A lane's lookups wait on each other as in Step, but the lanes do not, and one gather serves
// them all. Ended strings enter their tables by masked scatters, and their codes the lines
// through a log.
// BM_Encode, five rounds pinned to one core, medians: pairs 5.39 / 6.13, groups of sixteen
// 4.29 / 4.70 ns per pixel (plain / dithered). A gather costs by its width, not by the lanes it
// serves: a group of eight in sixteen lanes runs no faster than pairs, in eight lanes it runs
// as fast as a group of sixteen.
template <class Lanes>
__attribute__((target("avx512f,avx512vl,popcnt"))) void LzwEncoder::StepGroupWith(
    LzwEncoder* const* encoders, Walk* walks, int walk_count, std::ptrdiff_t steps) {
  using Vector = typename Lanes::Vector;
  using Mask = typename Lanes::Mask;
  constexpr int kLanes = Lanes::kCount;
  // The lanes past the walks gather nothing and never end a string.
  const auto active = static_cast<Mask>((1u << walk_count) - 1);
  static_assert(sizeof(LzwStringTable::Storage) % sizeof(std::uint32_t) == 0);
  constexpr auto kStorageWords =
      static_cast<std::int32_t>(sizeof(LzwStringTable::Storage) / sizeof(std::uint32_t));
  // Every lane's slots are addressed from the first table's, lane l's kStorageWords * l on.
  std::uint32_t* const slots = walks[0].table->slots.data();
  std::uint32_t prefixes[kLanes], next_frees[kLanes];
  std::int32_t bases[kLanes];
  std::uint64_t pixel_addresses[kLanes];
  for (int l = 0; l < kLanes; ++l) {
    const Walk& walk = walks[l < walk_count ? l : 0];
    prefixes[l] = walk.prefix;
    next_frees[l] = walk.next_free;
    bases[l] = l < walk_count ? kStorageWords * l : 0;
    pixel_addresses[l] = reinterpret_cast<std::uint64_t>(walk.pixel);
  }
  const Vector lane_base = Lanes::Load(bases);
  // Lane l's codes, in 16-bit units from the first table's codes.
  std::uint16_t* const codes_base = walks[0].table->codes.data();
  const Vector code_base = Lanes::template ShiftLeft<1>(lane_base);
  const Vector hash = Lanes::Broadcast(LzwStringTable::kHashFactor);
  const Vector prefix_hash = Lanes::Broadcast(LzwStringTable::kHashFactor << 8);
  const Vector empty = Lanes::Broadcast(kEmpty);
  const Vector one = Lanes::Broadcast(1);
  const Vector code_limit = Lanes::Broadcast(0x1000);
  const Vector byte = Lanes::Broadcast(0xFF);
  const Vector last_code = Lanes::Broadcast(kClearAtFreeCode);
  Vector prefix = Lanes::Load(prefixes);
  Vector next_free = Lanes::Load(next_frees);
  // The codes of ended strings, each with its place in the lines of codes above the low 12
  // bits, are logged side by side and written to their lines before the lines are read or the
  // log fills. A scatter to the lines at every step took 0.4 to 0.5 ns a pixel of the walk's
  // 3.3 to 3.8.
  static_assert(kStorageWords * 2 * kLanes + LzwStringTable::kCodes <= 1 << 20);
  constexpr std::ptrdiff_t kLogSize = 1024;
  // A block of four steps starts with at most kLogSize entries and stores four whole vectors.
  std::uint32_t log[kLogSize + 4 * kLanes];
  std::uint32_t* logged = log;
  const auto write_logged = [&] {
    for (const std::uint32_t* entry = log; entry < logged; ++entry)
      codes_base[*entry >> 12] = static_cast<std::uint16_t>(*entry & 0xFFF);
    logged = log;
  };
  Vector next_quad = steps > 1 ? Lanes::GatherPixels(pixel_addresses, 0) : empty;
  for (std::ptrdiff_t at = 1; at < steps; at += 4) {
    if (logged - log > kLogSize) write_logged();
    // The pixels of the next four steps are gathered four steps ahead, off the lanes' chains.
    Vector quad = next_quad;
    if (at + 4 < steps) next_quad = Lanes::GatherPixels(pixel_addresses, at + 3);
    for (int k = 0; k < 4; ++k) {
      const Vector value = Lanes::And(quad, byte);
      quad = Lanes::template ShiftRight<8>(quad);
      const Vector tag =
          Lanes::template ShiftLeft<12>(Lanes::Or(Lanes::template ShiftLeft<8>(prefix), value));
      const Vector first =
          Lanes::Add(Lanes::template ShiftRight<LzwStringTable::kHashShift>(Lanes::Add(
                         Lanes::Multiply(prefix, prefix_hash), Lanes::Multiply(value, hash))),
                     lane_base);
      Vector first_entry, second_entry;
      Lanes::GatherPairs(active, first, slots, first_entry, second_entry);
      Vector next_prefix = Lanes::Min(Lanes::Xor(first_entry, tag), Lanes::Xor(second_entry, tag));
      auto found = static_cast<Mask>(Lanes::Below(next_prefix, code_limit));
      Vector free_slot = Lanes::AddWhere(Lanes::Differ(first_entry, empty), first, one);
      const auto probe_on =
          static_cast<Mask>(~found & Lanes::Differ(Lanes::Max(first_entry, second_entry), empty));
      if (probe_on != 0) [[unlikely]] {
        std::uint32_t tags[kLanes], free_slots[kLanes], codes[kLanes];
        Lanes::Store(tags, tag);
        Lanes::Store(free_slots, free_slot);
        Lanes::Store(codes, next_prefix);
        for (unsigned lanes = probe_on; lanes != 0; lanes &= lanes - 1) {
          const int l = __builtin_ctz(lanes);
          std::uint32_t slot = 0;
          const int code = LzwStringTable::Probe(slots + bases[l], tags[l] >> 12, slot);
          if (code >= 0) {
            found = static_cast<Mask>(found | 1u << l);
            codes[l] = static_cast<std::uint32_t>(code);
          } else {
            free_slots[l] = slot + static_cast<std::uint32_t>(bases[l]);
          }
        }
        next_prefix = Lanes::Load(codes);
        free_slot = Lanes::Load(free_slots);
      }
      const auto ended = static_cast<Mask>(~found & active);
      // The code written when next_free is assigned goes to the log with its place in the
      // lines of codes.
      logged = Lanes::Append(
          logged, ended,
          Lanes::Or(Lanes::template ShiftLeft<12>(Lanes::Add(code_base, next_free)), prefix));
      Lanes::Scatter(slots, ended, free_slot, Lanes::Or(tag, next_free));
      prefix = Lanes::Choose(found, value, next_prefix);
      next_free = Lanes::AddWhere(ended, next_free, one);
      const auto used_up = static_cast<Mask>(Lanes::Above(next_free, last_code));
      if (used_up != 0) [[unlikely]] {
        write_logged();
        Lanes::Store(next_frees, next_free);
        for (unsigned lanes = used_up; lanes != 0; lanes &= lanes - 1) {
          const int l = __builtin_ctz(lanes);
          walks[l].next_free = next_frees[l];
          encoders[l]->PackKept(walks[l]);
          next_frees[l] = walks[l].next_free;
        }
        next_free = Lanes::Load(next_frees);
      }
    }
  }
  write_logged();
  Lanes::Store(prefixes, prefix);
  Lanes::Store(next_frees, next_free);
  for (int l = 0; l < walk_count; ++l) {
    walks[l].pixel += steps - 1;
    walks[l].prefix = prefixes[l];
    walks[l].next_free = next_frees[l];
  }
}

void LzwEncoder::StepGroup(LzwEncoder* const* encoders, Walk* walks, int walk_count,
                           std::ptrdiff_t steps) {
  if (walk_count <= EightLanes::kCount)
    StepGroupWith<EightLanes>(encoders, walks, walk_count, steps);
  else
    StepGroupWith<SixteenLanes>(encoders, walks, walk_count, steps);
}
#pragma GCC diagnostic pop
#else
void LzwEncoder::StepGroup(LzwEncoder* const*, Walk*, int, std::ptrdiff_t) {}
#endif

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
  const std::uint16_t* const codes = walk.table->codes.data();
  auto code = static_cast<std::uint32_t>(first_free_);
  while (code < end) {
    // The codes written as codes up to largest_code_ are assigned keep the width; the next one
    // widens it after itself.
    const std::uint32_t same_width = std::min(end, static_cast<std::uint32_t>(largest_code_) + 1);
    if (code < same_width) {
      PackCodes(codes + code, same_width - code);
      code = same_width;
    }
    if (code < end) {
      PackAssigning(codes[code], code);
      ++code;
    }
  }
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
