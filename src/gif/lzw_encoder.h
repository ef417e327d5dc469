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

 private:
  using FrameEncoder::FrameEncoder;
  void CompressPixels() override;
  void EmitCode(int code);
  void EmitClear();

  int largest_code_ = 0;  // the largest code the current width holds
  int next_free_ = 0;     // the code the next new string gets
  std::unique_ptr<LzwStringTable> table_;
};

}  // namespace morvane::gif
