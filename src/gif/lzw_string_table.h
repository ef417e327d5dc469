// The string table of the LZW frame encoder.
#pragma once

#include <cstdint>
#include <memory>

namespace morvane::gif {

// Maps key = (prefix code << 8) | pixel (at most 20 bits) to the code of that string. Open
// addressing over 16384 slots of 32 bits, each (key << 12) | code or all bits set when empty;
// linear probing from a multiplicative hash. The encoder clears the table before it holds 4095
// strings, so three quarters of the slots stay empty, probe runs stay short, and every probe
// ends at an empty slot. The codes the encoder writes depend only on which strings the table
// holds, never on where it keeps them.
class LzwStringTable {
 public:
  static constexpr std::uint32_t kSlots = 16384;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  // More strings than any frame's table can hold; storing beyond it is a logic error.
  static constexpr std::uint32_t kMaxStrings = kSlots / 2;

  LzwStringTable();

  // Empties every slot.
  void Clear();

  // The code stored for key, or -1 with slot set to the empty slot where key belongs.
  int Find(std::uint32_t key, std::uint32_t& slot) const {
    for (std::uint32_t s = FirstSlot(key);; s = (s + 1) & (kSlots - 1)) {
      const std::uint32_t entry = slots_[s];
      if (entry == kEmpty) {
        slot = s;
        return -1;
      }
      if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
    }
  }
  // Stores key with its code in the slot that Find named for it.
  void Store(std::uint32_t slot, std::uint32_t key, int code) {
    if (++count_ > kMaxStrings) RaiseFull();
    slots_[slot] = key << 12 | (static_cast<std::uint32_t>(code) & 0xFFF);
  }

  // Where the probe for key starts.
  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * 0x9E3779B1u) >> 18; }

 private:
  [[noreturn]] static void RaiseFull();

  std::unique_ptr<std::uint32_t[]> slots_;
  std::uint32_t count_ = 0;
};

}  // namespace morvane::gif
