// Floyd-Steinberg error diffusion over the serpentine row walk.
#include "gif/dither.h"

#include <stdexcept>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "gif/cpu_features.h"

#if MORVANE_X86_DISPATCH
#include <immintrin.h>
#endif

namespace morvane::gif {

namespace {

// One channel of a pixel: the value looked up is the input plus its share of the errors
// around it. Integer division truncates toward zero, as the rounding of negative errors
// requires. Only the value looked up is clamped; the error sums keep their full range.
inline int Wanted(std::int32_t share, std::int32_t carried, int input) {
  const std::int32_t value = input + (share + carried + 8) / 16;
  return value < 0 ? 0 : value > 255 ? 255 : value;
}

// Passes on the error of the chosen entry. An exact match leaves the pending shares alone and
// carries nothing to the next pixel.
inline void Spread(std::int32_t e, std::int32_t& share, std::int32_t& carried, std::int32_t& below,
                   std::int32_t& below_prev) {
  carried = 7 * e;
  if (e == 0) return;
  share = below_prev + 3 * e;
  below_prev = below + 5 * e;
  below = e;
}

// Maps pixels from x in the walk's direction up to the row's end, one at a time; returns the
// column after the last.
int MapEach(const ColorLookup::View& lookup, const ColorValue* row, std::uint8_t* out, int x,
            int step, int width) {
  for (; x >= 0 && x < width; x += step)
    out[x] = static_cast<std::uint8_t>(lookup.Nearest(row[x] & 0xFFFFFFu));
  return x;
}

#if MORVANE_X86_DISPATCH
// Sixteen pixels at a time: their cells' cache bytes are gathered, and when none of them reads
// kUnknown the sixteen answers are stored at once. Otherwise the block is mapped pixel by pixel
// in walk order, so that the cells it fills are filled by the same colours as in a walk of
// single pixels; a block whose cells are all known reads the cache only, in any order.
__attribute__((target("avx512f,avx512bw,avx512vl"))) int MapBlocks(const ColorLookup::View& lookup,
                                                                   const ColorValue* row,
                                                                   std::uint8_t* out, int x,
                                                                   int step, int width) {
  constexpr int kBlock = 16;
  // All lanes, written out: GCC 12 warns of the unmasked forms' undefined sources.
  constexpr __mmask16 kAll = 0xFFFF;
  const __m512i unknown = _mm512_set1_epi32(0xFF);
  for (;;) {
    const int low = step > 0 ? x : x - (kBlock - 1);
    if (low < 0 || low + kBlock > width) break;
    const __m512i pixels = _mm512_loadu_si512(row + low);
    const __m512i cells = _mm512_or_si512(
        _mm512_or_si512(
            _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, pixels, 3), _mm512_set1_epi32(0x1F)),
            _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, pixels, 6), _mm512_set1_epi32(0x3E0))),
        _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, pixels, 9), _mm512_set1_epi32(0x7C00)));
    const __m512i indices = _mm512_and_si512(
        _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), kAll, cells, lookup.cache, 1), unknown);
    if (_mm512_cmpeq_epi32_mask(indices, unknown) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + low),
                       _mm512_maskz_cvtepi32_epi8(kAll, indices));
      x += kBlock * step;
      continue;
    }
    for (int k = 0; k < kBlock; ++k, x += step)
      out[x] = static_cast<std::uint8_t>(lookup.Nearest(row[x] & 0xFFFFFFu));
  }
  return MapEach(lookup, row, out, x, step, width);
}

#endif

}  // namespace

void NearestMapper::MapRow(const ColorValue* row, std::uint8_t* out) {
  const ColorLookup::View lookup = lookup_.MakeView();
#if MORVANE_X86_DISPATCH
  if (HasAvx512()) {
    column_ = MapBlocks(lookup, row, out, column_, direction_, width_);
    return;
  }
#endif
  column_ = MapEach(lookup, row, out, column_, direction_, width_);
}

FloydSteinbergDitherer::FloydSteinbergDitherer(int width, ColorLookup& lookup)
    : NearestMapper(width, lookup), slots_(4 * (static_cast<std::size_t>(width) + 2), 0) {}

int FloydSteinbergDitherer::MapPixel(int red, int green, int blue) {
  const ColorValue colour = static_cast<ColorValue>(red) | static_cast<ColorValue>(green) << 8 |
                            static_cast<ColorValue>(blue) << 16;
  std::uint8_t index = 0;
  MapRun(&colour, &index, 1);
  return index;
}

void FloydSteinbergDitherer::MapRow(const ColorValue* row, std::uint8_t* out) {
  if (column_ >= 0 && column_ < width_) MapRun(row + column_, out + column_, RowRemaining());
}

void FloydSteinbergDitherer::MapRunPortable(const ColorValue* first, std::uint8_t* out, int count) {
  const ColorLookup::View lookup = lookup_.MakeView();
  const std::ptrdiff_t step = direction_;
  for (int k = 0; k < count; ++k) {
    const std::ptrdiff_t at = k * step;
    const ColorValue colour = first[at];
    std::int32_t* share = slots_.data() + 4 * (slot_ + at);
    int wanted[3];
    for (std::size_t c = 0; c < 3; ++c)
      wanted[c] = Wanted(share[c], carried_[c], static_cast<int>((colour >> (8 * c)) & 0xFF));
    const int index = lookup.Nearest(wanted[0], wanted[1], wanted[2]);
    out[at] = static_cast<std::uint8_t>(index);
    for (std::size_t c = 0; c < 3; ++c)
      Spread(wanted[c] - lookup.rgb[4 * index + static_cast<std::ptrdiff_t>(c)], share[c],
             carried_[c], below_[c], below_prev_[c]);
  }
  Advance(count);
}

#if defined(__SSE2__)
// The diffusion of one ditherer while a run is walked, all three channels in 32-bit lanes (the
// fourth lane stays 0 throughout): the same arithmetic as the portable walk.
class FloydSteinbergDitherer::Walk {
 public:
  explicit Walk(FloydSteinbergDitherer& ditherer)
      : ditherer_(ditherer),
        lookup_(ditherer.lookup_.MakeView()),
        slots_(ditherer.slots_.data() + 4 * static_cast<std::ptrdiff_t>(ditherer.slot_)),
        carried_(Load(ditherer.carried_.data())),
        below_(Load(ditherer.below_.data())),
        below_prev_(Load(ditherer.below_prev_.data())) {}

  // Maps the pixel at offset at (in pixels, signed) from the run's first one. Inlined so that
  // the state stays in registers: as a call it went through memory (pairs 13.8 -> 11.5 ns).
  [[gnu::always_inline]] std::uint8_t Map(ColorValue colour, std::ptrdiff_t at) {
    const __m128i zero = _mm_setzero_si128();
    auto* share = reinterpret_cast<__m128i*>(slots_ + 4 * at);
    const __m128i pending = _mm_loadu_si128(share);
    // (share + carried + 8) / 16, truncating toward zero: negative sums are raised by 15 first.
    __m128i sum = _mm_add_epi32(_mm_add_epi32(pending, carried_), _mm_set1_epi32(8));
    sum = _mm_srai_epi32(
        _mm_add_epi32(sum, _mm_and_si128(_mm_srai_epi32(sum, 31), _mm_set1_epi32(15))), 4);
    const __m128i input = _mm_unpacklo_epi16(
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(colour & 0xFFFFFF)), zero), zero);
    // Signed saturation to 16 bits, then unsigned to 8 bits, clamps to 0..255.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(_mm_add_epi32(input, sum), zero), zero);
    const std::size_t index = lookup_.Nearest(static_cast<ColorValue>(_mm_cvtsi128_si32(bytes)));

    const __m128i wanted = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
    const __m128i e = _mm_sub_epi32(wanted, Load(lookup_.rgb + 4 * index));
    carried_ = _mm_sub_epi32(_mm_slli_epi32(e, 3), e);
    // An exact match leaves the pending shares alone.
    const __m128i exact = _mm_cmpeq_epi32(e, zero);
    _mm_storeu_si128(
        share,
        Select(exact, pending, _mm_add_epi32(below_prev_, _mm_add_epi32(e, _mm_slli_epi32(e, 1)))));
    below_prev_ =
        Select(exact, below_prev_, _mm_add_epi32(below_, _mm_add_epi32(e, _mm_slli_epi32(e, 2))));
    below_ = Select(exact, below_, e);
    return static_cast<std::uint8_t>(index);
  }

  // Stores the state back after count pixels.
  void Finish(int count) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(ditherer_.carried_.data()), carried_);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(ditherer_.below_.data()), below_);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(ditherer_.below_prev_.data()), below_prev_);
    ditherer_.Advance(count);
  }

 private:
  static __m128i Load(const std::int32_t* lanes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes));
  }
  static __m128i Select(__m128i keep, __m128i old_value, __m128i new_value) {
    return _mm_or_si128(_mm_and_si128(keep, old_value), _mm_andnot_si128(keep, new_value));
  }

  FloydSteinbergDitherer& ditherer_;
  const ColorLookup::View lookup_;
  std::int32_t* const slots_;
  __m128i carried_;
  __m128i below_;
  __m128i below_prev_;
};

void FloydSteinbergDitherer::MapRun(const ColorValue* first, std::uint8_t* out, int count) {
  Walk walk(*this);
  const std::ptrdiff_t step = direction_;
  for (int k = 0; k < count; ++k) {
    const std::ptrdiff_t at = k * step;
    out[at] = walk.Map(first[at], at);
  }
  walk.Finish(count);
}

template <std::size_t N>
[[gnu::always_inline]] inline void FloydSteinbergDitherer::WalkInStepBody(
    FloydSteinbergDitherer* const* ditherers, const ColorValue* const* rows,
    std::uint8_t* const* outs) {
  const FloydSteinbergDitherer& lead = *ditherers[0];
  const int count = lead.RowRemaining();
  const std::ptrdiff_t step = lead.direction_;
  const int column = lead.column_;
  [&]<std::size_t... kWalk>(std::index_sequence<kWalk...>) __attribute__((always_inline)) {
    std::array<Walk, N> walks{Walk(*ditherers[kWalk])...};
    // Local copies: the byte stores below could otherwise alias the callers' pointer arrays,
    // which would then be read again for every pixel.
    const std::array<const ColorValue*, N> in{rows[kWalk]...};
    const std::array<std::uint8_t*, N> out{outs[kWalk]...};
    for (int k = 0; k < count; ++k) {
      const std::ptrdiff_t at = column + k * step;
      ((out[kWalk][at] = walks[kWalk].Map(in[kWalk][at], k * step)), ...);
    }
    (walks[kWalk].Finish(count), ...);
  }
  (std::make_index_sequence<N>());
}

template <std::size_t N>
void FloydSteinbergDitherer::WalkInStep(FloydSteinbergDitherer* const* ditherers,
                                        const ColorValue* const* rows, std::uint8_t* const* outs) {
  WalkInStepBody<N>(ditherers, rows, outs);
}

template <std::size_t N>
__attribute__((target("avx512f,avx512vl,avx512bw"))) void FloydSteinbergDitherer::WalkInStepWide(
    FloydSteinbergDitherer* const* ditherers, const ColorValue* const* rows,
    std::uint8_t* const* outs) {
  WalkInStepBody<N>(ditherers, rows, outs);
}
#else
void FloydSteinbergDitherer::MapRun(const ColorValue* first, std::uint8_t* out, int count) {
  MapRunPortable(first, out, count);
}

template <std::size_t N>
void FloydSteinbergDitherer::WalkInStepWide(FloydSteinbergDitherer* const* ditherers,
                                            const ColorValue* const* rows,
                                            std::uint8_t* const* outs) {
  WalkInStep<N>(ditherers, rows, outs);
}

template <std::size_t N>
void FloydSteinbergDitherer::WalkInStep(FloydSteinbergDitherer* const* ditherers,
                                        const ColorValue* const* rows, std::uint8_t* const* outs) {
  for (std::size_t i = 0; i < N; ++i) ditherers[i]->MapRow(rows[i], outs[i]);
}
#endif

void FloydSteinbergDitherer::MapRowsInStep(std::span<FloydSteinbergDitherer* const> ditherers,
                                           std::span<const ColorValue* const> rows,
                                           std::span<std::uint8_t* const> outs) {
  const std::size_t count = ditherers.size();
  if (rows.size() != count || outs.size() != count)
    throw std::invalid_argument("one row and one output per ditherer");
  if (count == 0) return;
  const FloydSteinbergDitherer& lead = *ditherers[0];
  bool in_step = count <= kMaxInStep && lead.column_ >= 0 && lead.column_ < lead.width_;
  for (std::size_t i = 1; in_step && i < count; ++i) {
    const FloydSteinbergDitherer& other = *ditherers[i];
    in_step = other.width_ == lead.width_ && other.column_ == lead.column_ &&
              other.direction_ == lead.direction_;
  }
  // The walks do not depend on each other, so the processor overlaps their long chains of
  // dependent steps; four hide more of the latency than two (11.1 -> 9.7 ns a pixel).
  // With AVX-512 the vector registers double to 32 and hold all four walks' state, which
  // otherwise partly goes through the stack (10.1 -> 9.1 ns a pixel).
  if (in_step && count == 4 && HasAvx512())
    return WalkInStepWide<4>(ditherers.data(), rows.data(), outs.data());
  if (in_step && count == 4) return WalkInStep<4>(ditherers.data(), rows.data(), outs.data());
  if (in_step && count == 3) return WalkInStep<3>(ditherers.data(), rows.data(), outs.data());
  if (in_step && count == 2) return WalkInStep<2>(ditherers.data(), rows.data(), outs.data());
  for (std::size_t i = 0; i < count; ++i) ditherers[i]->MapRow(rows[i], outs[i]);
}

void FloydSteinbergDitherer::StartNextRow() {
  for (std::size_t c = 0; c < 3; ++c)
    slots_[4 * static_cast<std::size_t>(slot_) + c] = below_prev_[c];
  carried_.fill(0);
  below_.fill(0);
  below_prev_.fill(0);
  NearestMapper::StartNextRow();
  slot_ = direction_ > 0 ? 0 : width_ + 1;
}

}  // namespace morvane::gif
