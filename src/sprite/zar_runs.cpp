// Decoding ZAR run coding onto the canvas: the one place where sub-images become pixels.
#include <algorithm>
#include <concepts>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sprite/sprite.h"

namespace morvane {

namespace {

// Run kinds, from the low two bits of the control byte.
constexpr int kTransparent = 0;
constexpr int kOpaque = 1;
constexpr int kWithAlpha = 2;
constexpr int kAlphaOnly = 3;

// (x + 1 + (x >> 8)) >> 8 equals x / 255 for every x up to 255 * 255.
constexpr std::uint64_t kChannelOnes = 0x000000010001'0001ull;
constexpr std::uint64_t kChannelMask = 0x000000FF00FF'00FFull;

// The three channels of a colour in 16-bit fields, so that one multiplication scales them all.
inline std::uint64_t Spread(ColorValue colour) {
  return (colour & 0xFFull) | (colour & 0xFF00ull) << 8 | (colour & 0xFF0000ull) << 16;
}

inline ColorValue Gather(std::uint64_t fields) {
  return static_cast<ColorValue>((fields & 0xFF) | (fields >> 8 & 0xFF00) |
                                 (fields >> 16 & 0xFF0000));
}

// (255 - alpha) * under + alpha * colour, divided by 255 with truncation, per channel.
inline ColorValue Blend(ColorValue under, std::uint64_t colour, std::uint32_t alpha) {
  const std::uint64_t sum = (255 - alpha) * Spread(under) + alpha * colour;
  return Gather((sum + kChannelOnes + ((sum >> 8) & kChannelMask)) >> 8);
}

// With binary transparency a pixel is drawn whole when its alpha reaches the threshold; alpha
// 0 never draws.
inline void DrawAtThreshold(ColorValue& dst, ColorValue colour, std::uint32_t alpha,
                            std::int32_t threshold) {
  if (alpha != 0 && static_cast<std::int32_t>(alpha) >= threshold) dst = colour;
}

// Blends count pixels of a run over dst: pixel j has alpha alphas[j * stride] and, for runs of
// index and alpha pairs (indexed), the colour of entry alphas[j * stride - 1], else entry 0.
// The blend gives the colour itself at alpha 255 and leaves the pixel at alpha 0, so every
// pixel takes the same arithmetic.
void BlendRun(ColorValue* dst, const ColorValue* colours, const std::uint8_t* alphas,
              std::int64_t count, bool indexed) {
  const std::int64_t stride = indexed ? 2 : 1;
  std::int64_t j = 0;
#if defined(__SSE2__)
  // Four pixels at a time, each channel in a 16-bit lane.
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi16(1);
  const __m128i full = _mm_set1_epi16(255);
  const auto blend = [&](__m128i under, __m128i colour, __m128i alpha) {
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(full, alpha), under),
                                      _mm_mullo_epi16(alpha, colour));
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(sum, one), _mm_srli_epi16(sum, 8)), 8);
  };
  for (; j + 4 <= count; j += 4) {
    __m128i alpha;  // the four alphas in the low 16-bit lanes
    __m128i colour;
    if (indexed) {
      const std::uint8_t* pairs = alphas - 1 + 2 * j;
      alpha = _mm_srli_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pairs)), 8);
      colour =
          _mm_setr_epi32(static_cast<int>(colours[pairs[0]]), static_cast<int>(colours[pairs[2]]),
                         static_cast<int>(colours[pairs[4]]), static_cast<int>(colours[pairs[6]]));
    } else {
      std::int32_t four;
      std::memcpy(&four, alphas + j, sizeof four);
      alpha = _mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero);
      colour = _mm_set1_epi32(static_cast<int>(colours[0]));
    }
    alpha = _mm_unpacklo_epi16(alpha, alpha);
    auto* target = reinterpret_cast<__m128i*>(dst + j);
    const __m128i under = _mm_loadu_si128(target);
    const __m128i low = blend(_mm_unpacklo_epi8(under, zero), _mm_unpacklo_epi8(colour, zero),
                              _mm_unpacklo_epi32(alpha, alpha));
    const __m128i high = blend(_mm_unpackhi_epi8(under, zero), _mm_unpackhi_epi8(colour, zero),
                               _mm_unpackhi_epi32(alpha, alpha));
    _mm_storeu_si128(target, _mm_packus_epi16(low, high));
  }
#endif
  for (; j < count; ++j) {
    const std::uint8_t alpha = alphas[j * stride];
    const ColorValue colour = indexed ? colours[alphas[j * stride - 1]] : colours[0];
    dst[j] = Blend(dst[j], Spread(colour), alpha);
  }
}

// Colour c at alpha a composited over the straight-alpha pixel under, exact in integers: see
// DrawRuns.
inline RgbaValue CompositeOver(RgbaValue under, ColorValue colour, std::uint32_t alpha) {
  if (alpha == 0) return under;
  if (alpha == 255) return colour | 0xFF000000u;
  const std::uint32_t under_alpha = under >> 24;
  // The two common cases without a division by T: over a transparent pixel T is a x 255 and
  // the colour stays as it is; over an opaque one T is 255 x 255, the true-colour blend.
  if (under_alpha == 0) return (colour & 0xFFFFFFu) | alpha << 24;
  if (under_alpha == 255) return Blend(under, Spread(colour), alpha) | 0xFF000000u;
  const std::uint32_t under_share = under_alpha * (255 - alpha);
  const std::uint32_t total = alpha * 255 + under_share;
  RgbaValue out = total / 255 << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t over_channel = colour >> shift & 0xFF;
    const std::uint32_t under_channel = under >> shift & 0xFF;
    out |= (over_channel * alpha * 255 + under_channel * under_share) / total << shift;
  }
  return out;
}

// BlendRun for a straight-alpha canvas.
void CompositeRun(RgbaValue* dst, const ColorValue* colours, const std::uint8_t* alphas,
                  std::int64_t count, bool indexed) {
  const std::int64_t stride = indexed ? 2 : 1;
  for (std::int64_t j = 0; j < count; ++j) {
    const ColorValue colour = indexed ? colours[alphas[j * stride - 1]] : colours[0];
    dst[j] = CompositeOver(dst[j], colour, alphas[j * stride]);
  }
}

// A run blended by alpha onto a canvas of either pixel format.
template <DrawingCanvas Canvas>
void BlendRunOnto(ColorValue* dst, const ColorValue* colours, const std::uint8_t* alphas,
                  std::int64_t count, bool indexed) {
  if constexpr (std::same_as<Canvas, RgbaCanvas>) {
    CompositeRun(dst, colours, alphas, count, indexed);
  } else {
    BlendRun(dst, colours, alphas, count, indexed);
  }
}

}  // namespace

template <DrawingCanvas Canvas>
void DrawRuns(std::span<const std::uint8_t> runs, std::int32_t width, Canvas& canvas,
              std::int64_t x0, std::int64_t y0, std::int32_t threshold,
              const LayerPalette& palette) {
  const std::int64_t canvas_width = canvas.Width();
  const std::int64_t canvas_height = canvas.Height();
  // Rows only go down: from the first row below the canvas on, nothing can land.
  if (y0 >= canvas_height) return;
  // Colours drawn are the palette's low 24 bits, opaque on a canvas that keeps alpha.
  constexpr ColorValue kOpaqueAlpha = std::same_as<Canvas, RgbaCanvas> ? 0xFF000000u : 0;
  ColorValue colours[256];
  for (std::size_t i = 0; i < 256; ++i) colours[i] = (palette[i] & 0xFFFFFFu) | kOpaqueAlpha;
  const bool opaque_drawn = threshold == kBlendByAlpha || threshold <= 255;
  std::int64_t col = 0;
  std::int64_t row = 0;
  const std::size_t end = runs.size();
  const std::uint8_t* const data = runs.data();
  std::size_t pos = 0;
  while (pos < end) {
    const std::uint8_t control = data[pos++];
    const int kind = control & 3;
    const int n = control >> 2;
    const std::size_t run_bytes = kind == kTransparent ? 0
                                  : kind == kWithAlpha ? 2 * static_cast<std::size_t>(n)
                                                       : static_cast<std::size_t>(n);
    if (run_bytes > end - pos) break;  // a cut run is not drawn and ends the image
    // Runs do not wrap: all n pixels lie on the current row, even past Width. Only the part
    // of the run inside the canvas is drawn.
    const std::int64_t x = x0 + col;
    const std::int64_t y = y0 + row;
    const std::int64_t first = std::max<std::int64_t>(0, -x);
    const std::int64_t last = std::min<std::int64_t>(n, canvas_width - x);
    if (kind != kTransparent && y >= 0 && y < canvas_height && first < last) {
      const std::int64_t count = last - first;
      ColorValue* dst = canvas.MutableRow(static_cast<std::int32_t>(y)) + x + first;
      switch (kind) {
        case kOpaque: {
          const std::uint8_t* indices = data + pos + first;
          if (opaque_drawn)
            for (std::int64_t j = 0; j < count; ++j) dst[j] = colours[indices[j]];
          break;
        }
        case kWithAlpha: {
          const std::uint8_t* pairs = data + pos + 2 * first;
          if (threshold == kBlendByAlpha) {
            BlendRunOnto<Canvas>(dst, colours, pairs + 1, count, true);
          } else {
            for (std::int64_t j = 0; j < count; ++j)
              DrawAtThreshold(dst[j], colours[pairs[2 * j]], pairs[2 * j + 1], threshold);
          }
          break;
        }
        case kAlphaOnly: {  // in the colour of entry 0
          const std::uint8_t* alphas = data + pos + first;
          if (threshold == kBlendByAlpha) {
            BlendRunOnto<Canvas>(dst, colours, alphas, count, false);
          } else {
            for (std::int64_t j = 0; j < count; ++j)
              DrawAtThreshold(dst[j], colours[0], alphas[j], threshold);
          }
          break;
        }
      }
    }
    pos += run_bytes;
    col += n;
    if (col >= width) {
      ++row;
      col = 0;
      if (y0 + row >= canvas_height) break;
    }
  }
}

template void DrawRuns(std::span<const std::uint8_t>, std::int32_t, RgbCanvas&, std::int64_t,
                       std::int64_t, std::int32_t, const LayerPalette&);
template void DrawRuns(std::span<const std::uint8_t>, std::int32_t, RgbaCanvas&, std::int64_t,
                       std::int64_t, std::int32_t, const LayerPalette&);

}  // namespace morvane
