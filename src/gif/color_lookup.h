// Nearest-colour lookup over a palette of at most 256 colours, cached per 5-bit colour cell.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/canvas.h"

namespace morvane::gif {

class ColorLookup {
 public:
  static constexpr int kCells = 32768;

  // Reads up to 256 palette entries. Each entry then claims its own cell unless an earlier
  // entry already owns it.
  explicit ColorLookup(const std::vector<ColorValue>& palette)
      : cache_(kCells + 3, kUnknown), known_(kCells / 8, 0) {
    red_.fill(kFar);
    green_.fill(kFar);
    blue_.fill(kFar);
    count_ = palette.size() < 256 ? static_cast<int>(palette.size()) : 256;
    for (int i = 0; i < count_; ++i) {
      const ColorValue colour = palette[static_cast<std::size_t>(i)];
      rgb_[4 * static_cast<std::size_t>(i)] = static_cast<std::int32_t>(colour & 0xFF);
      rgb_[4 * static_cast<std::size_t>(i) + 1] = static_cast<std::int32_t>((colour >> 8) & 0xFF);
      rgb_[4 * static_cast<std::size_t>(i) + 2] = static_cast<std::int32_t>((colour >> 16) & 0xFF);
      red_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(16 * (colour & 0xFF));
      green_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(16 * (colour >> 8 & 0xFF));
      blue_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(16 * (colour >> 16 & 0xFF));
    }
    const View view = MakeView();
    for (int i = 0; i < count_; ++i) {
      const std::size_t cell = Cell(palette[static_cast<std::size_t>(i)]);
      if (!view.Known(cell)) view.Set(cell, i);
    }
  }

  // The cell of a colour 0x00BBGGRR: the top five bits of each channel.
  static std::size_t Cell(ColorValue colour) {
    return (colour >> 3 & 0x1F) | (colour >> 6 & 0x3E0) | (colour >> 9 & 0x7C00);
  }

  // Plain pointers into the lookup for inner loops, which the compiler keeps in registers
  // while pixels are stored. Valid while the lookup lives.
  // The cache keeps one byte per cell (and three spare bytes past the last, so that a cell's
  // byte may be read as the low byte of 32 bits): the index, or kUnknown while the cell has none,
  // with a bit per cell telling a real index kUnknown apart, so most lookups read one byte from a
  // table that stays in the first-level cache.
  struct View {
    std::uint8_t* cache;
    std::uint8_t* known;
    const std::int32_t* rgb;  // red, green, blue, 0 per entry
    ColorLookup* lookup;

    bool Known(std::size_t cell) const { return (known[cell / 8] >> (cell % 8) & 1) != 0; }
    void Set(std::size_t cell, int index) const {
      cache[cell] = static_cast<std::uint8_t>(index);
      known[cell / 8] = static_cast<std::uint8_t>(known[cell / 8] | 1u << (cell % 8));
    }

    // The palette index for a colour (channels 0..255); red/green/blue of it give the chosen
    // entry. The cache answers per cell, not per colour: the first colour of a cell that
    // misses decides the index for every later colour of that cell.
    int Nearest(int r, int g, int b) const {
      return Nearest(static_cast<ColorValue>(r) | static_cast<ColorValue>(g) << 8 |
                     static_cast<ColorValue>(b) << 16);
    }
    // The same for a colour 0x00BBGGRR.
    std::uint8_t Nearest(ColorValue colour) const {
      const std::size_t cell = Cell(colour);
      const std::uint8_t index = cache[cell];
      if (index == kUnknown && !Known(cell)) [[unlikely]]
        return lookup->SearchCell(cell, colour);
      return index;
    }
  };
  View MakeView() { return View{cache_.data(), known_.data(), rgb_.data(), this}; }

  int NearestIndex(int red, int green, int blue) { return MakeView().Nearest(red, green, blue); }

  // The entry of least |dr| + |dg| + |db|, the lowest index on ties; 0 for an empty palette.
  // Uses the widest vectors the processor has, up to widest_bits.
  int Search(int red, int green, int blue, int widest_bits = 512) const;
  // The same search without processor-specific code, which Search falls back to.
  int SearchPortable(int red, int green, int blue) const;
  // Searches for colour 0x00BBGGRR and stores the answer for its cell. Kept out of line so
  // that the callers' loops keep their state in registers.
  std::uint8_t SearchCell(std::size_t cell, ColorValue colour);

 private:
  static constexpr std::uint8_t kUnknown = 0xFF;
  std::vector<std::uint8_t> cache_;
  std::vector<std::uint8_t> known_;
  std::array<std::int32_t, 4 * 256> rgb_{};  // red, green, blue, 0 per entry
  // Channels times 16 as 16-bit lanes, all 256 entries always present: entries past the
  // palette hold kFar, whose distance from any colour exceeds every real one (3 x (9000 - 4080)
  // > 16 x 765) while three of them still fit a lane. The low four bits of a distance stay free
  // for the search to note where it found it.
  static constexpr std::int16_t kFar = 9000;
  std::array<std::int16_t, 256> red_{};
  std::array<std::int16_t, 256> green_{};
  std::array<std::int16_t, 256> blue_{};
  int count_ = 0;
};

}  // namespace morvane::gif
