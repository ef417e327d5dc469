// The pieces the frame encoders share: the sub-block packer and the LZW string table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "gif/gif_image.h"

namespace morvane::gif {

// Packs a byte stream into GIF data sub-blocks: a length byte, then that many bytes. Every block
// but the last holds 255 bytes; Flush writes the last, partly filled one. No empty block is ever
// written, so the terminator follows the data directly.
class TGIFWriter {
 public:
  explicit TGIFWriter(ByteSink& out) : out_(&out) {}
  TGIFWriter(const TGIFWriter&) = delete;
  TGIFWriter& operator=(const TGIFWriter&) = delete;

  void WriteByte(std::uint8_t byte) {
    buffer_[fill_++] = byte;
    if (fill_ == kBufferSize) WriteBlock();
  }

  // Writes the waiting partial block; nothing when no byte is waiting.
  void Flush() {
    if (fill_ > 1) WriteBlock();
  }

 private:
  static constexpr int kBufferSize = 256;  // byte 0 is the block length

  void WriteBlock() {
    buffer_[0] = static_cast<std::uint8_t>(fill_ - 1);
    out_->insert(out_->end(), buffer_.begin(), buffer_.begin() + fill_);
    fill_ = 1;
  }

  ByteSink* out_;
  std::array<std::uint8_t, kBufferSize> buffer_{};
  int fill_ = 1;
};

// The LZW string table: open addressing over 8009 slots of 32 bits. A slot holds
// (key << 12) | code, where key = (prefix << 8) | pixel takes at most 20 bits; an empty slot has
// every bit set. The first slot is (key ^ (key >> 4)) % 8009 and the probe after slot s is
// 2s % 8009 (8008 after slot 0).
class THashTable {
 public:
  static constexpr std::uint32_t kSlots = 8009;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr std::uint32_t kEmptyKey = kEmpty >> 12;
  // Doubling modulo the prime 8009 walks cycles of 4004 slots (2 has order 4004), and slot 0
  // leads into one of them, so a probe sequence meets at most 4005 distinct slots.
  static constexpr std::uint32_t kLongestProbe = 4005;

  THashTable();

  // Empties every slot.
  void Clear();

  // The code stored for key, or -1 with slot set to the empty slot where key belongs.
  int Find(std::uint32_t key, std::uint32_t& slot) const {
    std::uint32_t s = FirstSlot(key);
    for (std::uint32_t probes = 0; probes < kLongestProbe; ++probes) {
      const std::uint32_t entry = slots_[s];
      if ((entry >> 12) == kEmptyKey) {
        slot = s;
        return -1;
      }
      if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
      s = NextSlot(s);
    }
    return FindBeyondCycle(key, slot);
  }
  // Stores key with its code in the slot that Find named for it.
  void Store(std::uint32_t slot, std::uint32_t key, int code) {
    slots_[slot] = key << 12 | (static_cast<std::uint32_t>(code) & 0xFFF);
  }

  int Lookup(std::uint32_t key) const {
    std::uint32_t slot = 0;
    return Find(key, slot);
  }
  void Insert(std::uint32_t key, int code) {
    std::uint32_t slot = 0;
    if (Find(key, slot) < 0) Store(slot, key, code);
  }

  static std::uint32_t FirstSlot(std::uint32_t key) { return (key ^ (key >> 4)) % kSlots; }
  static std::uint32_t NextSlot(std::uint32_t slot) {
    if (slot == 0) return kSlots - 1;
    slot *= 2;
    return slot >= kSlots ? slot - kSlots : slot;
  }

 private:
  int FindBeyondCycle(std::uint32_t key, std::uint32_t& slot) const;

  std::unique_ptr<std::uint32_t[]> slots_;
};

}  // namespace morvane::gif
