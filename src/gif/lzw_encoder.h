// LZW compression of frame data.
#pragma once

#include <cstdint>
#include <memory>

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

 private:
  // A frame's walk: the next pixel, where the walk stops, and the code of the string so far.
  struct Cursor {
    const std::uint8_t* pixel;
    const std::uint8_t* end;
    int prefix;
  };

  LzwEncoder(ByteSink& out, const FrameCode& frame);
  void CompressPixels() override;
  // Clears the table and starts the walk at the first pixel, which the walk covers with the
  // valid_count pixels from it on.
  Cursor Start(std::ptrdiff_t valid_count);
  // Extends the string by the next pixel, or codes it and starts a new one.
  void Step(Cursor& cursor);
  // Codes the string and enters it with the pixel after it (key) in the slot Find named.
  void EndString(int prefix, std::uint32_t key, std::uint32_t slot);
  void EmitCode(int code);
  void EmitClear();

  int largest_code_ = 0;  // the largest code the current width holds
  int next_free_ = 0;     // the code the next new string gets
  std::unique_ptr<LzwStringTable> table_;
};

}  // namespace morvane::gif
