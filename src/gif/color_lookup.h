// Nearest-colour lookup over a palette of at most 256 colours, cached per 5-bit colour cell.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/canvas.h"

namespace morvane::gif {

class TFastColorLookup {
 public:
  static constexpr int kCells = 32768;

  // Reads up to 256 palette entries. Each entry then claims its own cell unless an earlier
  // entry already owns it.
  explicit TFastColorLookup(const std::vector<ColorValue>& palette) : cache_(kCells, -1) {
    red_.fill(kFar);
    green_.fill(kFar);
    blue_.fill(kFar);
    count_ = palette.size() < 256 ? static_cast<int>(palette.size()) : 256;
    for (int i = 0; i < count_; ++i) {
      const ColorValue colour = palette[static_cast<std::size_t>(i)];
      red_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(colour & 0xFF);
      green_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((colour >> 8) & 0xFF);
      blue_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((colour >> 16) & 0xFF);
    }
    for (int i = 0; i < count_; ++i) {
      std::int16_t& cell = cache_[Cell(Red(i), Green(i), Blue(i))];
      if (cell < 0) cell = static_cast<std::int16_t>(i);
    }
  }

  int Count() const { return count_; }
  int Red(int index) const { return red_[static_cast<std::size_t>(index)]; }
  int Green(int index) const { return green_[static_cast<std::size_t>(index)]; }
  int Blue(int index) const { return blue_[static_cast<std::size_t>(index)]; }

  static std::size_t Cell(int red, int green, int blue) {
    return static_cast<std::size_t>((red >> 3) | (green >> 3) << 5 | (blue >> 3) << 10);
  }

  // The palette index for a colour (channels 0..255); Red/Green/Blue of it give the chosen
  // entry. The cache answers per cell, not per colour: the first colour of a cell that misses
  // decides the index for every later colour of that cell.
  int NearestIndex(int red, int green, int blue) {
    std::int16_t& cell = cache_[Cell(red, green, blue)];
    if (cell < 0) cell = static_cast<std::int16_t>(Search(red, green, blue));
    return cell;
  }

  // The entry of least |dr| + |dg| + |db|, the lowest index on ties; 0 for an empty palette.
  int Search(int red, int green, int blue) const;

 private:
  std::vector<std::int16_t> cache_;
  // Channels as 16-bit lanes, all 256 entries always present: entries past the palette hold
  // kFar, whose distance from any colour exceeds every real one.
  static constexpr std::int16_t kFar = 1000;
  std::array<std::int16_t, 256> red_{};
  std::array<std::int16_t, 256> green_{};
  std::array<std::int16_t, 256> blue_{};
  int count_ = 0;
};

}  // namespace morvane::gif
