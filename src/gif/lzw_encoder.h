// LZW compression of frame data.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "gif/frame_encoder.h"
#include "gif/lzw_string_table.h"

namespace morvane::gif {

class LzwEncoder final : public FrameEncoder {
 public:
  static void EncodeFrame(ByteSink& out, int code_bits, int colour_count,
                          const std::uint8_t* pixels, std::int32_t width, std::int32_t height);
  // Two frames, each the same as EncodeFrame of it; frames whose pixels are all valid are coded
  // in step.
  static void EncodeFramePair(const FrameCode& first, ByteSink& first_out, const FrameCode& second,
                              ByteSink& second_out);
  // The most and the fewest frames EncodeFrameGroup codes in step.
  static constexpr std::size_t kGroupSize = kFrameGroupSize;
  static constexpr std::size_t kMinGroupSize = kMinFrameGroupSize;
  // kMinGroupSize to kGroupSize frames, each the same as EncodeFrame of it into its own sink,
  // coded in step on processors with AVX-512. Returns false, having written nothing, on other
  // processors, when the frames differ in pixel count or have fewer than four pixels, or when a
  // frame holds a pixel outside its colour table.
  static bool EncodeFrameGroup(std::span<const FrameCode> frames, std::span<ByteSink* const> outs);

 private:
  // A frame's walk, held in locals by the loop: the next pixel, the code of the string so far,
  // the code the next new string gets, and the table. The code written when code k is assigned
  // waits in the table's codes[k] until the codes are packed.
  struct Walk {
    const std::uint8_t* pixel;
    std::uint32_t prefix;
    std::uint32_t next_free;
    LzwStringTable::Storage* table;
  };

  LzwEncoder(ByteSink& out, const FrameCode& frame);
  void CompressPixels() override;
  // Writes the clear code that starts the frame and starts the walk at the first pixel, which
  // the walk covers with the valid_count pixels from it on; the table is in storage when given.
  Walk Start(std::ptrdiff_t valid_count, LzwStringTable::Storage* storage = nullptr);
  // Extends the string with code prefix by the pixel value, or keeps the code, enters the
  // string in the table with the pixel as code next_free and starts a new string there.
  static void Step(std::uint32_t& prefix, std::uint32_t& next_free, std::uint32_t value,
                   LzwStringTable::Storage& table);
  // Steps one walk, or two in turn, up to end (the first walk's end), or until a walk has used
  // code 4095 (its codes then need packing, and its table clearing, before its next step).
  // Two walks in turn keep their tables side by side, b's right after a's.
  static void StepOne(Walk& walk, const std::uint8_t* end);
  static void StepBoth(Walk& a, Walk& b, const std::uint8_t* end);
  // Steps the walks of a group's walk_count encoders (at most kGroupSize) over their pixels 1
  // to steps - 1 (a multiple of four, and steps at most their pixel count), one walk per vector
  // lane; a walk that uses code 4095 has its codes packed and its table cleared before its next
  // step.
  static void StepGroup(LzwEncoder* const* encoders, Walk* walks, int walk_count,
                        std::ptrdiff_t steps);
  // The same in vectors of Lanes::kCount lanes, at least walk_count.
  template <class Lanes>
  static void StepGroupWith(LzwEncoder* const* encoders, Walk* walks, int walk_count,
                            std::ptrdiff_t steps);
  // Packs code, written as code assigned is assigned, and follows the decoder's code width.
  void PackAssigning(std::uint32_t code, std::uint32_t assigned);
  // Packs the codes kept since the last clear and, when the walk has used code 4095, a clear
  // code, after which the table is empty and the walk assigns codes from the first again.
  void PackKept(Walk& walk);
  // Steps the walk up to end, packing and clearing as codes run out.
  void WalkTo(Walk& walk, const std::uint8_t* end);
  // Packs the kept codes and the last string's code.
  void Finish(Walk& walk);
  // Packs the clear code and starts the code widths again.
  void PackClear();

  int largest_code_ = 0;  // the largest code the current width holds
  std::unique_ptr<LzwStringTable> table_;
};

}  // namespace morvane::gif
