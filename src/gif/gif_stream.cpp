// The LZW string table of the frame encoder.
#include "gif/gif_stream.h"

#include <algorithm>
#include <stdexcept>

namespace morvane::gif {

THashTable::THashTable() : slots_(std::make_unique_for_overwrite<std::uint32_t[]>(kSlots)) {
  Clear();
}

void THashTable::Clear() {
  std::fill_n(slots_.get(), kSlots, kEmpty);
}

// A table of up to 4089 strings (minimum code size 2) can fill the whole cycle a key probes, and
// the doubling probe would then go round for ever. A key whose cycle is full goes to the first
// empty slot after its first slot instead. Cycles only ever fill up until the table is emptied,
// so a later lookup of the key also finds its cycle full and scans the same way. The strings
// coded are the same either way: only where the table keeps them differs.
int THashTable::FindBeyondCycle(std::uint32_t key, std::uint32_t& slot) const {
  std::uint32_t s = FirstSlot(key);
  for (std::uint32_t n = 0; n < kSlots; ++n) {
    const std::uint32_t entry = slots_[s];
    if ((entry >> 12) == kEmptyKey) {
      slot = s;
      return -1;
    }
    if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
    s = s + 1 == kSlots ? 0 : s + 1;
  }
  // The encoder clears the table long before 8009 strings.
  throw std::logic_error("LZW string table full");
}

}  // namespace morvane::gif
