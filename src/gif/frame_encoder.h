// The base of the frame data encoders. Each writes one frame's table-based image data: the LZW
// minimum code size byte, the data sub-blocks and the block terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gif/sub_block_writer.h"

namespace morvane::gif {

// How a frame's pixels are coded: LZW compression with a string table, or run-length coding
// with codes any LZW decoder reads.
enum class FrameCompression : std::uint8_t { kLzw = 0, kRunLength = 1 };

// Both encoders' shared work: code widths and special codes, LSB-first bit packing into the
// sub-block writer, and the frame's pixels.
class FrameEncoder {
 public:
  virtual ~FrameEncoder() = default;
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

 protected:
  // code_bits is raised to 2 when below; pixels holds width x height indices, rows top to
  // bottom (null for a frame without pixels).
  FrameEncoder(ByteSink& out, int code_bits, int colour_count, const std::uint8_t* pixels,
               std::int32_t width, std::int32_t height);

  // Writes the minimum code size byte, the codes of the pixels closed by the end code, and the
  // terminator. A pixel not below the colour count raises "Color not in color table": the bytes
  // packed so far are written out, without end code or terminator.
  void Encode();
  // Encode in parts, for encoders that code several frames at once: Begin writes the minimum
  // code size byte, End the end code and the terminator. Between them CompressPixels, or the
  // encoder's own walk over pixels checked beforehand.
  void Begin();
  void End();
  // How many pixels from the first one lie below the colour count.
  std::ptrdiff_t ValidPixelCount() const;
  // Codes the pixels, of which there is at least one.
  virtual void CompressPixels() = 0;

  // Appends code at the current width (bits above it are dropped); the end code also flushes
  // the last partial byte. Codes gather in a 64-bit word that goes out 32 bits at a time.
  void PackCode(int code) {
    const std::uint64_t mask = (std::uint64_t{1} << code_width_) - 1;
    bits_ |= (static_cast<std::uint64_t>(code) & mask) << bit_count_;
    bit_count_ += code_width_;
    if (bit_count_ >= 32) {
      writer_.WriteWord(static_cast<std::uint32_t>(bits_));
      bits_ >>= 32;
      bit_count_ -= 32;
    }
    if (code == end_code_) {
      while (bit_count_ > 0) {
        writer_.WriteByte(static_cast<std::uint8_t>(bits_));
        bits_ >>= 8;
        bit_count_ -= 8;
      }
    }
  }
  // PackCode of count codes at the current width, none of them the end code. The packing
  // state is held in locals: the writer's byte stores could alias the members, which the
  // compiler then reloads after each word.
  void PackCodes(const std::uint16_t* codes, std::size_t count) {
    const std::uint64_t mask = (std::uint64_t{1} << code_width_) - 1;
    const int width = code_width_;
    std::uint64_t bits = bits_;
    int bit_count = bit_count_;
    for (std::size_t i = 0; i < count; ++i) {
      bits |= (codes[i] & mask) << bit_count;
      bit_count += width;
      if (bit_count >= 32) {
        writer_.WriteWord(static_cast<std::uint32_t>(bits));
        bits >>= 32;
        bit_count -= 32;
      }
    }
    bits_ = bits;
    bit_count_ = bit_count;
  }
  // Writes the whole bytes of the codes packed so far; the bits of a partial byte stay.
  void WriteWholeBytes() {
    while (bit_count_ >= 8) {
      writer_.WriteByte(static_cast<std::uint8_t>(bits_));
      bits_ >>= 8;
      bit_count_ -= 8;
    }
  }

  const std::uint8_t* PixelsBegin() const { return pixels_; }
  const std::uint8_t* PixelsEnd() const { return pixels_end_; }

  // Code state. The base only packs at code_width_; each encoder grows and resets the width by
  // its own rule.
  int min_code_size_;
  int initial_width_;  // the code width after a clear: min_code_size_ + 1
  int code_width_;
  int clear_code_;
  int end_code_;
  int first_free_;             // the first code a string gets after a clear
  bool just_cleared_ = false;  // set with a clear code; each encoder resets it by its own rule

  [[noreturn]] static void RaiseColorNotInTable();

 private:
  ByteSink* out_;
  int colour_count_;
  const std::uint8_t* pixels_;
  const std::uint8_t* pixels_end_;

  std::uint64_t bits_ = 0;
  int bit_count_ = 0;
  SubBlockWriter writer_;
};

// Writes one frame's image data with the encoder the compression names.
void EncodeFrame(ByteSink& out, FrameCompression compression, int code_bits, int colour_count,
                 const std::uint8_t* pixels, std::int32_t width, std::int32_t height);

// One frame's pixels and code size, as EncodeFrame takes them.
struct FrameCode {
  int code_bits = 0;
  int colour_count = 0;
  const std::uint8_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Two frames' image data, each the same as EncodeFrame of it into its own sink; LZW frames
// whose pixels are all in their colour tables are coded in step, which lets the processor
// overlap the two chains of dependent table lookups. When the first frame fails, the second is
// not coded.
void EncodeFramePair(FrameCompression compression, const FrameCode& first, ByteSink& first_out,
                     const FrameCode& second, ByteSink& second_out);

// The most and the fewest frames EncodeFrameGroup takes, and the fewest worth the full width.
// A group costs by the width of its vectors, not by the frames it holds: BM_Encode, plain, ns
// per pixel, pairs 4.7 to 5.4; in sixteen lanes, groups of 8 5.0 to 6.4, of 12 4.4 to 5.0, of
// 16 3.7 to 4.0; eight frames in eight lanes about as fast as sixteen in sixteen.
inline constexpr std::size_t kFrameGroupSize = 16;
inline constexpr std::size_t kMinFrameGroupSize = 8;
inline constexpr std::size_t kMinWideFrameGroupSize = 12;
// kMinFrameGroupSize to kFrameGroupSize frames' image data, each the same as EncodeFrame of it
// into its own sink, coded in step where the processor allows: LZW frames of one pixel count,
// all in their colour tables; up to eight in half-width vectors. Returns false, having written
// nothing, for frames it cannot code so.
bool EncodeFrameGroup(FrameCompression compression, std::span<const FrameCode> frames,
                      std::span<ByteSink* const> outs);

}  // namespace morvane::gif
