// The string table of the LZW frame encoder.
#include "gif/lzw_string_table.h"

#include <algorithm>
#include <stdexcept>

namespace morvane::gif {

LzwStringTable::LzwStringTable() : storage_(std::make_unique_for_overwrite<Storage>()) {
  Clear();
}

void LzwStringTable::Clear() {
  std::fill_n(storage_->slots.data(), kProbedSlots, kEmpty);
  count_ = 0;
}

void LzwStringTable::RaiseFull() {
  // The encoder clears the table long before it fills.
  throw std::logic_error("LZW string table full");
}

}  // namespace morvane::gif
