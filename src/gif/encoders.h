// The frame data encoders. Each writes one frame's table-based image data: the LZW minimum code
// size byte, the data sub-blocks and the block terminator. LzwEncoder compresses with a string
// table; RunLengthEncoder codes runs of one colour with codes whose meaning follows from the table
// any GIF decoder builds, and keeps no table of its own.
#pragma once

#include <cstdint>
#include <memory>

#include "gif/gif_image.h"
#include "gif/gif_stream.h"

namespace morvane::gif {

// Both encoders' shared work: code widths and special codes, LSB-first bit packing into the
// sub-block packer, and the walk over the pixels.
class FrameEncoder {
 public:
  virtual ~FrameEncoder() = default;
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

 protected:
  // codeBits is raised to 2 when below; pixels holds width x height indices, rows top to
  // bottom (null for a frame without pixels).
  FrameEncoder(ByteSink& out, int codeBits, int colourCount, const std::uint8_t* pixels,
               bool interlaced, std::int32_t width, std::int32_t height);

  // Writes the minimum code size byte, the codes of the pixels closed by the end code, and the
  // terminator. A pixel not below the colour count raises "Color not in color table": the bytes
  // packed so far are written out, without end code or terminator.
  void Encode();
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
  // Writes the whole bytes of the codes packed so far; the bits of a partial byte stay.
  void WriteWholeBytes() {
    while (bit_count_ >= 8) {
      writer_.WriteByte(static_cast<std::uint8_t>(bits_));
      bits_ >>= 8;
      bit_count_ -= 8;
    }
  }

  // The pixel at the cursor, which then moves on; checks it against the colour count.
  int TakePixel() { return CheckedPixel(*cursor_++); }

  int CheckedPixel(int pixel) const {
    if (pixel >= colour_count_) RaiseColorNotInTable();
    return pixel;
  }

  // The next stretch of pixels in walk order, for encoders that take many pixels at a time:
  // the whole frame, or one row of an interlaced frame per call. False when none is left.
  // Not to be mixed with TakePixel and NextPixel.
  bool NextSpan(const std::uint8_t*& begin, const std::uint8_t*& end) {
    if (pixels_left_ <= 0 && !(interlaced_ && NextInterlacedRow())) return false;
    begin = cursor_;
    end = cursor_ + pixels_left_;
    cursor_ = end;
    pixels_left_ = 0;
    return true;
  }

  // Counts off the pixel just taken; false at the end of the frame. An interlaced frame is walked
  // in the four passes of the GIF interlace order.
  bool NextPixel() {
    if (--pixels_left_ > 0) return true;
    return interlaced_ && NextInterlacedRow();
  }

  // Code state. The base only packs at code_width_; each encoder grows and resets the width by
  // its own rule.
  int min_code_size_;
  int initial_width_;
  int code_width_;
  int clear_code_;
  int end_code_;
  int first_free_;
  bool just_cleared_ = false;

 private:
  [[noreturn]] static void RaiseColorNotInTable();
  bool NextInterlacedRow();

  ByteSink* out_;
  int colour_count_;
  const std::uint8_t* pixels_;
  bool interlaced_;
  std::int32_t width_;
  std::int32_t height_;

  const std::uint8_t* cursor_;
  std::int64_t pixels_left_;
  std::int32_t row_ = 0;
  int pass_ = 0;

  std::uint64_t bits_ = 0;
  int bit_count_ = 0;
  SubBlockWriter writer_;
};

class LzwEncoder final : public FrameEncoder {
 public:
  static void EncodeFrame(ByteSink& out, int codeBits, int colourCount, const std::uint8_t* pixels,
                          bool interlaced, std::int32_t width, std::int32_t height);

 private:
  using FrameEncoder::FrameEncoder;
  void CompressPixels() override;
  void EmitCode(int code);
  void EmitClear();

  int largest_code_ = 0;
  int next_free_ = 0;
  std::unique_ptr<LzwStringTable> table_;
};

// Where a run-length coded frame starts, after each clear code: the count of codes at which the
// code width first grows, the count at which the coder clears, and the budget of codes one run
// may take before a clear.
struct RunLengthThresholds {
  int bump;
  int clear;
  int budget;
};

class RunLengthEncoder final : public FrameEncoder {
 public:
  static void EncodeFrame(ByteSink& out, int codeBits, int colourCount, const std::uint8_t* pixels,
                          bool interlaced, std::int32_t width, std::int32_t height);

  // The thresholds for a minimum code size (2 to 8).
  static RunLengthThresholds InitialThresholds(int minCodeSize);

 private:
  RunLengthEncoder(ByteSink& out, int codeBits, int colourCount, const std::uint8_t* pixels,
                   bool interlaced, std::int32_t width, std::int32_t height);
  void CompressPixels() override;

  void Restart();
  void EmitCounted(int code);
  void RaiseBudget();
  void LowerBudget();
  std::int64_t RunCodeCost(std::int64_t count) const;
  void RunFromClear(std::int64_t count);
  void RunRepeatOrClear(std::int64_t count);
  void RunWithTable(std::int64_t count);
  void FlushRun(std::int64_t count);

  RunLengthThresholds initial_;
  std::int64_t bump_threshold_ = 0;
  std::int64_t clear_threshold_ = 0;
  std::int64_t codes_since_clear_ = 0;
  std::int64_t table_run_length_ = 0;  // the longest run of table_run_colour_ the table holds
  int table_run_colour_ = -1;
  int run_colour_ = -1;  // the colour of the run being collected
};

// Writes the frame data with the encoder a frame compression setting names: RunLengthEncoder for
// kCompressionRLE, LzwEncoder for any other value.
void EncodeFrame(ByteSink& out, std::uint8_t compression, int codeBits, int colourCount,
                 const std::uint8_t* pixels, bool interlaced, std::int32_t width,
                 std::int32_t height);

}  // namespace morvane::gif
