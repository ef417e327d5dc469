// The full nearest-colour search behind the cell cache.
#include "gif/color_lookup.h"

namespace morvane::gif {

int TFastColorLookup::Search(int red, int green, int blue) const {
  if (count_ == 0) return 0;
  // On noise nearly every cell misses once, and this search is most of the reduction's time.
  // Distances fit 16-bit lanes and the trip count is fixed at 256 (entries past the palette lie
  // far away), so the compiler vectorises the distance, minimum and block-scan loops; the first
  // index at the minimum is the lowest index among equal distances.
  constexpr std::size_t kLanes = 8;
  const auto r = static_cast<std::int16_t>(red);
  const auto g = static_cast<std::int16_t>(green);
  const auto b = static_cast<std::int16_t>(blue);
  std::array<std::int16_t, 256> distance;
  for (std::size_t i = 0; i < 256; ++i) {
    const auto dr = static_cast<std::int16_t>(red_[i] - r);
    const auto dg = static_cast<std::int16_t>(green_[i] - g);
    const auto db = static_cast<std::int16_t>(blue_[i] - b);
    distance[i] = static_cast<std::int16_t>((dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) +
                                            (db < 0 ? -db : db));
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
