// Packing a byte stream into the length-prefixed data sub-blocks of a GIF file.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace morvane::gif {

// The bytes of a GIF file as it is written.
using ByteSink = std::vector<std::uint8_t>;

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

}  // namespace morvane::gif
