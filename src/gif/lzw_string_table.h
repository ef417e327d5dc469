// The string table of the LZW frame encoder.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace morvane::gif {

// Maps key = (prefix code << 8) | pixel (at most 20 bits) to the code of that string. Open
// addressing over slots of 32 bits, each (key << 12) | code or all bits set when empty; linear
// probing from a multiplicative hash into 16384 slots. A probe that runs past the last of them
// goes on into as many more slots as the table may hold strings, never back to the first: the
// slot after a slot is always the next one. The encoder clears the table before it holds 4095
// strings, so three quarters of the slots stay empty, probe runs stay short, and every probe
// ends at an empty slot. The codes the encoder writes depend only on which strings the table
// holds, never on where it keeps them.
class LzwStringTable {
 public:
  static constexpr std::uint32_t kSlots = 16384;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr std::uint32_t kCodes = 4096;
  // More strings than any frame's table can hold; storing beyond it is a logic error.
  static constexpr std::uint32_t kMaxStrings = kCodes;
  // The slots probes may reach, and the spare slot after them.
  static constexpr std::uint32_t kProbedSlots = kSlots + kMaxStrings;
  static constexpr std::uint32_t kSpareSlot = kProbedSlots;

  // The slots, then one spare slot that takes the stores of an encoder's step that has nothing
  // to store, then a line of codes for the encoder's own use, one for each code it may assign.
  // In one block, an encoder's step reaches all of them from one address.
  struct Storage {
    std::array<std::uint32_t, kProbedSlots + 1> slots;
    std::array<std::uint16_t, kCodes> codes;
  };

  LzwStringTable();
  // A table in storage the caller owns and keeps while the table is in use.
  explicit LzwStringTable(Storage& storage);

  // Empties every slot.
  void Clear();

  // The code stored for key, or -1 with slot set to the empty slot where key belongs.
  int Find(std::uint32_t key, std::uint32_t& slot) const {
    return Probe(storage_->slots.data(), key, slot);
  }
  // The same over the slots of a Storage.
  static int Probe(const std::uint32_t* slots, std::uint32_t key, std::uint32_t& slot) {
    for (std::uint32_t s = FirstSlot(key);; ++s) {
      const std::uint32_t entry = slots[s];
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
    storage_->slots[slot] = key << 12 | (static_cast<std::uint32_t>(code) & 0xFFF);
  }

  // For an encoder that reads and stores the slots itself, keeping to the layout above.
  Storage& Raw() { return *storage_; }

  // Where the probe for key starts.
  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * kHashFactor) >> kHashShift; }
  static constexpr std::uint32_t kHashFactor = 0x9E3779B1u;
  static constexpr int kHashShift = 18;  // leaves the top 14 bits: a slot below kSlots

 private:
  [[noreturn]] static void RaiseFull();

  std::unique_ptr<Storage> owned_;
  Storage* storage_;
  std::uint32_t count_ = 0;
};

}  // namespace morvane::gif
