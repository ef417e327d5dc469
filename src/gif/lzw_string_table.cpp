// The string table of the LZW frame encoder.
#include "gif/lzw_string_table.h"

#include <algorithm>
#include <stdexcept>

namespace morvane::gif {

LzwStringTable::LzwStringTable()
    : owned_(std::make_unique_for_overwrite<Storage>()), storage_(owned_.get()) {
  Clear();
}

LzwStringTable::LzwStringTable(Storage& storage) : storage_(&storage) {
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
