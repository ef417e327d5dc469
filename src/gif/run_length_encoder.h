// Run-length coding of frame data with codes any LZW decoder reads.
#pragma once

#include <cstdint>

#include "gif/frame_encoder.h"

namespace morvane::gif {

// Where a run-length coded frame starts, after each clear code: the count of codes at which the
// code width first grows, the count at which the coder clears, and the budget of codes one run
// may take before a clear.
struct RunLengthThresholds {
  int bump;
  int clear;
  int budget;
};

// Codes runs of one colour with codes whose meaning follows from the table any GIF decoder
// builds, and keeps no table of its own.
class RunLengthEncoder final : public FrameEncoder {
 public:
  static void EncodeFrame(ByteSink& out, int code_bits, int colour_count,
                          const std::uint8_t* pixels, std::int32_t width, std::int32_t height);

  // The thresholds for a minimum code size (2 to 8).
  static RunLengthThresholds InitialThresholds(int min_code_size);

 private:
  RunLengthEncoder(ByteSink& out, int code_bits, int colour_count, const std::uint8_t* pixels,
                   std::int32_t width, std::int32_t height);
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

}  // namespace morvane::gif
