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
  count_ = 0;
}

void THashTable::RaiseFull() {
  // The encoder clears the table long before it fills.
  throw std::logic_error("LZW string table full");
}

}  // namespace morvane::gif
