// Run-length coding of frame data with codes any LZW decoder reads.
//
// Right after a clear code the decoder's table is empty. Coding a run of colour P as P, then
// first_free, first_free + 1, ... makes the decoder define first_free + r - 2 as the run of r
// pixels of P, each code one longer than the one before, so a run of n pixels takes about
// sqrt(2n) codes. The coder tracks the longest such run the table holds (table_run_length_) and
// reuses those codes for later runs of the same colour while it pays off; every other code is a
// literal pixel. The code width follows the decoder's table growth without a table of our own.
#include "gif/run_length_encoder.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace morvane::gif {

RunLengthThresholds RunLengthEncoder::InitialThresholds(int min_code_size) {
  const int clear = 1 << min_code_size;
  RunLengthThresholds thresholds{};
  thresholds.bump = clear - 1;
  thresholds.clear = min_code_size > 3 ? clear - 2 : 9;
  thresholds.budget = 4095 - (clear + 2);
  return thresholds;
}

RunLengthEncoder::RunLengthEncoder(ByteSink& out, int code_bits, int colour_count,
                                   const std::uint8_t* pixels, std::int32_t width,
                                   std::int32_t height)
    : FrameEncoder(out, code_bits, colour_count, pixels, width, height),
      initial_(InitialThresholds(min_code_size_)) {}

void RunLengthEncoder::EncodeFrame(ByteSink& out, int code_bits, int colour_count,
                                   const std::uint8_t* pixels, std::int32_t width,
                                   std::int32_t height) {
  RunLengthEncoder encoder(out, code_bits, colour_count, pixels, width, height);
  encoder.Encode();
}

// Emits a clear code at the current width and starts over with an empty decoder table.
void RunLengthEncoder::Restart() {
  bump_threshold_ = initial_.bump;
  clear_threshold_ = initial_.clear;
  codes_since_clear_ = 0;
  table_run_length_ = 0;
  just_cleared_ = true;
  PackCode(clear_code_);
  code_width_ = initial_width_;
}

// Every code after the first since a clear makes the decoder add a table entry; the width grows
// when the decoder's next entry needs one more bit.
void RunLengthEncoder::EmitCounted(int code) {
  just_cleared_ = false;
  PackCode(code);
  ++codes_since_clear_;
  if (codes_since_clear_ == bump_threshold_) {
    bump_threshold_ += std::int64_t{1} << code_width_;
    ++code_width_;
  }
  if (codes_since_clear_ >= clear_threshold_) Restart();
}

void RunLengthEncoder::RaiseBudget() {
  clear_threshold_ = initial_.budget;
}

void RunLengthEncoder::LowerBudget() {
  clear_threshold_ = initial_.clear;
  if (codes_since_clear_ >= clear_threshold_) Restart();
}

// The codes a run of count pixels takes when coded from an empty table: budget codes cover
// budget x (budget + 1) / 2 pixels, and a shorter run of n pixels takes the least k with
// k (k + 1) / 2 >= n.
std::int64_t RunLengthEncoder::RunCodeCost(std::int64_t count) const {
  const std::int64_t budget = initial_.budget;
  const std::int64_t per_budget = budget * (budget + 1) / 2;
  std::int64_t cost = count / per_budget * budget;
  count %= per_budget;
  if (count > 0) {
    const std::int64_t twice = 2 * count;
    auto k = static_cast<std::int64_t>(std::sqrt(static_cast<double>(twice)));
    while (k > 0 && k * (k + 1) >= twice) --k;
    while (k * (k + 1) < twice) ++k;
    cost += k;
  }
  return cost;
}

void RunLengthEncoder::RunFromClear(std::int64_t count) {
  RaiseBudget();
  table_run_colour_ = run_colour_;
  std::int64_t r = 1;
  while (count > 0) {
    if (r == 1) {
      table_run_length_ = 1;
      EmitCounted(run_colour_);
      count -= 1;
    } else if (count >= r) {
      table_run_length_ = r;
      EmitCounted(static_cast<int>(first_free_ + r - 2));
      count -= r;
    } else {
      table_run_length_ += 1;
      EmitCounted(count == 1 ? run_colour_ : static_cast<int>(first_free_ + count - 2));
      break;
    }
    r = codes_since_clear_ == 0 ? 1 : r + 1;
  }
  LowerBudget();
}

void RunLengthEncoder::RunRepeatOrClear(std::int64_t count) {
  if (1 + RunCodeCost(count) < count) {
    Restart();
    RunFromClear(count);
  } else {
    for (std::int64_t i = 0; i < count; ++i) EmitCounted(run_colour_);
  }
}

void RunLengthEncoder::RunWithTable(std::int64_t count) {
  const std::int64_t t = table_run_length_;
  const std::int64_t budget = initial_.budget;
  std::int64_t repeats = count / t;
  std::int64_t leftover = count % t;
  std::int64_t extra = leftover > 0 ? 1 : 0;
  if (budget < repeats + codes_since_clear_ + extra) {
    repeats = budget - codes_since_clear_;
    leftover = count - t * repeats;
    extra = 1 + RunCodeCost(leftover);
  }
  if (1 + RunCodeCost(count) < repeats + extra) {
    Restart();
    RunFromClear(count);
    return;
  }
  RaiseBudget();
  const int longest = static_cast<int>(first_free_ + t - 2);
  for (std::int64_t i = 0; i < repeats; ++i) EmitCounted(longest);
  if (leftover > 0) {
    if (just_cleared_) {
      RunFromClear(leftover);
    } else if (leftover == 1) {
      EmitCounted(run_colour_);
    } else {
      EmitCounted(static_cast<int>(first_free_ + leftover - 2));
    }
  }
  LowerBudget();
}

void RunLengthEncoder::FlushRun(std::int64_t count) {
  if (count == 1) {
    EmitCounted(run_colour_);
  } else if (just_cleared_) {
    RunFromClear(count);
  } else if (table_run_length_ > 1 && table_run_colour_ == run_colour_) {
    RunWithTable(count);
  } else {
    RunRepeatOrClear(count);
  }
}

namespace {

// The length of the run of equal pixels that starts at first and ends before end (at least
// one). Eight pixels are compared at a time: on these frames most runs end within the first
// eight, so the loop's one test is foreseen, where a test per pixel was missed at every run's
// end.
std::ptrdiff_t RunLength(const std::uint8_t* first, const std::uint8_t* end) {
  const std::uint8_t colour = *first;
  const std::uint8_t* pixel = first + 1;
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t spread = std::uint64_t{colour} * 0x0101010101010101u;
    for (; end - pixel >= 8; pixel += 8) {
      std::uint64_t word;
      std::memcpy(&word, pixel, sizeof word);
      if (const std::uint64_t differ = word ^ spread; differ != 0)
        return pixel - first + std::countr_zero(differ) / 8;
    }
  }
  while (pixel < end && *pixel == colour) ++pixel;
  return pixel - first;
}

}  // namespace

void RunLengthEncoder::CompressPixels() {
  // The runs before the first pixel outside the colour table are coded; that pixel raises the
  // error before the run it ends is.
  const std::ptrdiff_t valid = ValidPixelCount();
  const std::uint8_t* const end = PixelsBegin() + valid;
  Restart();
  for (const std::uint8_t* at = PixelsBegin(); at < end;) {
    run_colour_ = *at;
    const std::ptrdiff_t count = RunLength(at, end);
    at += count;
    if (at == end && end != PixelsEnd()) break;
    FlushRun(count);
  }
  if (end != PixelsEnd()) RaiseColorNotInTable();
}

}  // namespace morvane::gif
