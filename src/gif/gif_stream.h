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
class SubBlockWriter {
 public:
  explicit SubBlockWriter(ByteSink& out) : out_(&out) {}
  SubBlockWriter(const SubBlockWriter&) = delete;
  SubBlockWriter& operator=(const SubBlockWriter&) = delete;

  void WriteByte(std::uint8_t byte) {
    buffer_[fill_++] = byte;
    if (fill_ == kBufferSize) WriteBlock();
  }

  // Four bytes, the low byte first.
  void WriteWord(std::uint32_t word) {
    if (fill_ + 4 > kBufferSize) {
      for (int shift = 0; shift < 32; shift += 8)
        WriteByte(static_cast<std::uint8_t>(word >> shift));
      return;
    }
    for (int i = 0; i < 4; ++i) buffer_[fill_ + i] = static_cast<std::uint8_t>(word >> (8 * i));
    fill_ += 4;
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

// The LZW string table: maps key = (prefix code << 8) | pixel (at most 20 bits) to the code of
// that string. Open addressing over 16384 slots of 32 bits, each (key << 12) | code or all bits
// set when empty; linear probing from a multiplicative hash. The encoder clears the table
// before it holds 4095 strings, so three quarters of the slots stay empty, probe runs stay short,
// and every probe ends at an empty slot. The codes the encoder writes depend only on which
// strings the table holds, never on where it keeps them.
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

  int Lookup(std::uint32_t key) const {
    std::uint32_t slot = 0;
    return Find(key, slot);
  }
  void Insert(std::uint32_t key, int code) {
    std::uint32_t slot = 0;
    if (Find(key, slot) < 0) Store(slot, key, code);
  }

  static std::uint32_t FirstSlot(std::uint32_t key) { return (key * 0x9E3779B1u) >> 18; }

 private:
  [[noreturn]] static void RaiseFull();

  std::unique_ptr<std::uint32_t[]> slots_;
  std::uint32_t count_ = 0;
};

}  // namespace morvane::gif
