// The full nearest-colour search behind the cell cache.
#include "gif/color_lookup.h"

#include "gif/cpu_features.h"

#if MORVANE_X86_DISPATCH
#include <immintrin.h>
#endif

namespace morvane::gif {

namespace {

#if MORVANE_X86_DISPATCH
// Sixteen entries at a time in 16-bit lanes; entries past the palette lie far away, so whole
// blocks of 16 may be searched. Distances come in multiples of 16, so each lane keeps the least
// of distance + block over the blocks: the least distance and, on ties, the lowest block. The
// lowest index at the least distance is then the first lane holding the least of the lanes
// (one pass, no second scan).
__attribute__((target("avx2"))) int SearchAvx2(const std::int16_t* red, const std::int16_t* green,
                                               const std::int16_t* blue, int blocks, int r, int g,
                                               int b) {
  const __m256i vr = _mm256_set1_epi16(static_cast<std::int16_t>(16 * r));
  const __m256i vg = _mm256_set1_epi16(static_cast<std::int16_t>(16 * g));
  const __m256i vb = _mm256_set1_epi16(static_cast<std::int16_t>(16 * b));
  __m256i best = _mm256_set1_epi16(0x7FFF);
  for (int i = 0; i < blocks; ++i) {
    const __m256i dr =
        _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(red + 16 * i)), vr);
    const __m256i dg =
        _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(green + 16 * i)), vg);
    const __m256i db =
        _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(blue + 16 * i)), vb);
    const __m256i d = _mm256_add_epi16(_mm256_add_epi16(_mm256_abs_epi16(dr), _mm256_abs_epi16(dg)),
                                       _mm256_abs_epi16(db));
    best = _mm256_min_epu16(best, _mm256_or_si256(d, _mm256_set1_epi16(static_cast<short>(i))));
  }
  const __m128i half =
      _mm_min_epu16(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
  const int least = _mm_extract_epi16(_mm_minpos_epu16(half), 0);
  const auto hits = static_cast<unsigned>(_mm256_movemask_epi8(
      _mm256_cmpeq_epi16(best, _mm256_set1_epi16(static_cast<std::int16_t>(least)))));
  return 16 * (least & 15) + __builtin_ctz(hits) / 2;
}

// The same over 32 entries at a time: eight blocks for a full palette instead of sixteen, and
// the lane's note of its block still fits the low four bits.
__attribute__((target("avx512bw"))) int SearchAvx512(const std::int16_t* red,
                                                     const std::int16_t* green,
                                                     const std::int16_t* blue, int blocks, int r,
                                                     int g, int b) {
  const __m512i vr = _mm512_set1_epi16(static_cast<std::int16_t>(16 * r));
  const __m512i vg = _mm512_set1_epi16(static_cast<std::int16_t>(16 * g));
  const __m512i vb = _mm512_set1_epi16(static_cast<std::int16_t>(16 * b));
  __m512i best = _mm512_set1_epi16(0x7FFF);
  for (int i = 0; i < blocks; ++i) {
    const __m512i dr = _mm512_sub_epi16(_mm512_loadu_si512(red + 32 * i), vr);
    const __m512i dg = _mm512_sub_epi16(_mm512_loadu_si512(green + 32 * i), vg);
    const __m512i db = _mm512_sub_epi16(_mm512_loadu_si512(blue + 32 * i), vb);
    const __m512i d = _mm512_add_epi16(_mm512_add_epi16(_mm512_abs_epi16(dr), _mm512_abs_epi16(dg)),
                                       _mm512_abs_epi16(db));
    best = _mm512_min_epu16(best, _mm512_or_si512(d, _mm512_set1_epi16(static_cast<short>(i))));
  }
  const __m256i quarter = _mm256_min_epu16(_mm512_maskz_extracti64x4_epi64(0xF, best, 0),
                                           _mm512_maskz_extracti64x4_epi64(0xF, best, 1));
  const __m128i half =
      _mm_min_epu16(_mm256_castsi256_si128(quarter), _mm256_extracti128_si256(quarter, 1));
  const int least = _mm_extract_epi16(_mm_minpos_epu16(half), 0);
  const auto hits = static_cast<std::uint32_t>(
      _mm512_cmpeq_epi16_mask(best, _mm512_set1_epi16(static_cast<std::int16_t>(least))));
  return 32 * (least & 15) + __builtin_ctz(hits);
}

#endif

}  // namespace

int ColorLookup::Search(int red, int green, int blue, int widest_bits) const {
  if (count_ == 0) return 0;
#if MORVANE_X86_DISPATCH
  if (widest_bits >= 512 && HasAvx512())
    return SearchAvx512(red_.data(), green_.data(), blue_.data(), (count_ + 31) / 32, red, green,
                        blue);
  if (widest_bits >= 256 && HasAvx2())
    return SearchAvx2(red_.data(), green_.data(), blue_.data(), (count_ + 15) / 16, red, green,
                      blue);
#endif
  return SearchPortable(red, green, blue);
}

std::uint8_t ColorLookup::SearchCell(std::size_t cell, ColorValue colour) {
  const auto index = static_cast<std::uint8_t>(Search(static_cast<int>(colour & 0xFF),
                                                      static_cast<int>(colour >> 8 & 0xFF),
                                                      static_cast<int>(colour >> 16 & 0xFF)));
  MakeView().Set(cell, index);
  return index;
}

int ColorLookup::SearchPortable(int red, int green, int blue) const {
  if (count_ == 0) return 0;
  // On noise nearly every cell misses once, and this search is most of the reduction's time.
  // Distances fit 16-bit lanes and the trip count is fixed at 256 (entries past the palette lie
  // far away), so the compiler vectorises the distance, minimum and block-scan loops; the first
  // index at the minimum is the lowest index among equal distances.
  constexpr std::size_t kLanes = 8;
  const auto r = static_cast<std::int16_t>(16 * red);
  const auto g = static_cast<std::int16_t>(16 * green);
  const auto b = static_cast<std::int16_t>(16 * blue);
  std::array<std::int16_t, 256> distance;
  for (std::size_t i = 0; i < 256; ++i) {
    const auto dr = static_cast<std::int16_t>(red_[i] - r);
    const auto dg = static_cast<std::int16_t>(green_[i] - g);
    const auto db = static_cast<std::int16_t>(blue_[i] - b);
    distance[i] =
        static_cast<std::int16_t>((dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db));
  }
  std::array<std::int16_t, kLanes> lane;
  for (std::size_t k = 0; k < kLanes; ++k) lane[k] = distance[k];
  for (std::size_t i = kLanes; i < 256; i += kLanes)
    for (std::size_t k = 0; k < kLanes; ++k)
      lane[k] = distance[i + k] < lane[k] ? distance[i + k] : lane[k];
  std::int16_t best = lane[0];
  for (std::size_t k = 1; k < kLanes; ++k) best = lane[k] < best ? lane[k] : best;
  std::size_t block = 0;
  for (;; block += kLanes) {
    int hit = 0;
    for (std::size_t k = 0; k < kLanes; ++k) hit |= distance[block + k] == best ? 1 : 0;
    if (hit != 0) break;
  }
  while (distance[block] != best) ++block;
  return static_cast<int>(block);
}

}  // namespace morvane::gif
