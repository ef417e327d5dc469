// Floyd-Steinberg error diffusion over the serpentine row walk.
#include "gif/dither.h"

#if defined(__SSE2__)
#include <emmintrin.h>
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

}  // namespace

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TFastColorLookup& lookup)
    : TDitherEngine(width, lookup), slots_(4 * (static_cast<std::size_t>(width) + 2), 0) {}

int TFloydSteinbergDitherer::MapPixel(int red, int green, int blue) {
  const ColorValue colour = static_cast<ColorValue>(red) | static_cast<ColorValue>(green) << 8 |
                            static_cast<ColorValue>(blue) << 16;
  std::uint8_t index = 0;
  MapRun(&colour, &index, 1);
  return index;
}

void TFloydSteinbergDitherer::MapRow(const ColorValue* row, std::uint8_t* out) {
  const int count = direction_ > 0 ? width_ - column_ : column_ + 1;
  if (column_ >= 0 && column_ < width_ && count > 0) MapRun(row + column_, out + column_, count);
}

void TFloydSteinbergDitherer::MapRunPortable(const ColorValue* first, std::uint8_t* out,
                                             int count) {
  const TFastColorLookup::View lookup = lookup_.MakeView();
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
void TFloydSteinbergDitherer::MapRun(const ColorValue* first, std::uint8_t* out, int count) {
  // The portable walk, channel by channel in 32-bit lanes; the fourth lane stays 0 throughout.
  const TFastColorLookup::View lookup = lookup_.MakeView();
  const auto load = [](const std::int32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const auto select = [](__m128i keep, __m128i old_value, __m128i new_value) {
    return _mm_or_si128(_mm_and_si128(keep, old_value), _mm_andnot_si128(keep, new_value));
  };
  const __m128i zero = _mm_setzero_si128();
  const __m128i eight = _mm_set1_epi32(8);
  const __m128i fifteen = _mm_set1_epi32(15);
  __m128i carried = load(carried_.data());
  __m128i below = load(below_.data());
  __m128i below_prev = load(below_prev_.data());
  const std::ptrdiff_t step = direction_;
  std::int32_t* const slots = slots_.data() + 4 * static_cast<std::ptrdiff_t>(slot_);
  for (int k = 0; k < count; ++k) {
    const std::ptrdiff_t at = k * step;
    auto* share = reinterpret_cast<__m128i*>(slots + 4 * at);
    const __m128i pending = _mm_loadu_si128(share);
    // (share + carried + 8) / 16, truncating toward zero: negative sums are raised by 15 first.
    __m128i sum = _mm_add_epi32(_mm_add_epi32(pending, carried), eight);
    sum = _mm_srai_epi32(_mm_add_epi32(sum, _mm_and_si128(_mm_srai_epi32(sum, 31), fifteen)), 4);
    const __m128i input = _mm_unpacklo_epi16(
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(first[at] & 0xFFFFFF)), zero), zero);
    // Signed saturation to 16 bits, then unsigned to 8 bits, clamps to 0..255.
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(_mm_add_epi32(input, sum), zero), zero);
    const auto wanted_rgb = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    const int index = lookup.Nearest(static_cast<int>(wanted_rgb & 0xFF),
                                     static_cast<int>(wanted_rgb >> 8 & 0xFF),
                                     static_cast<int>(wanted_rgb >> 16 & 0xFF));
    out[at] = static_cast<std::uint8_t>(index);

    const __m128i wanted = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
    const __m128i e = _mm_sub_epi32(wanted, load(lookup.rgb + 4 * index));
    carried = _mm_sub_epi32(_mm_slli_epi32(e, 3), e);
    const __m128i exact = _mm_cmpeq_epi32(e, zero);
    _mm_storeu_si128(
        share,
        select(exact, pending, _mm_add_epi32(below_prev, _mm_add_epi32(e, _mm_slli_epi32(e, 1)))));
    below_prev =
        select(exact, below_prev, _mm_add_epi32(below, _mm_add_epi32(e, _mm_slli_epi32(e, 2))));
    below = select(exact, below, e);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(carried_.data()), carried);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(below_.data()), below);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(below_prev_.data()), below_prev);
  Advance(count);
}
#else
void TFloydSteinbergDitherer::MapRun(const ColorValue* first, std::uint8_t* out, int count) {
  MapRunPortable(first, out, count);
}
#endif

void TFloydSteinbergDitherer::StartNextRow() {
  for (std::size_t c = 0; c < 3; ++c)
    slots_[4 * static_cast<std::size_t>(slot_) + c] = below_prev_[c];
  carried_.fill(0);
  below_.fill(0);
  below_prev_.fill(0);
  TDitherEngine::StartNextRow();
  slot_ = direction_ > 0 ? 0 : width_ + 1;
}

}  // namespace morvane::gif
