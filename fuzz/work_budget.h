// A bound on the time one fuzz input may take.
//
// A sprite of a few hundred bytes can ask for hours of work and still pass every limit of the
// converter: a thousand directions of a 4096 x 4096 background each, or a long sequence that
// draws the same frame of a few megabytes of unpacked runs again and again. The converter
// itself bounds memory, not time, since a real sprite may well take minutes. So before the
// conversion runs, the fuzz target walks the parsed sprite the way the conversion will, adds up
// what it will do up to the first limit it will hit, and converts only inputs whose work fits
// the budget. Inputs over the budget are still parsed and their images loaded.
//
// The walk mirrors ConvertSpriteFile and ConvertSequence (collections in order, sequences,
// directions) and takes each direction's canvas and frames from the converter's frame source
// (DirectionFrames); if the walk changes, this estimate should follow, though a stale one only
// shifts which inputs run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/run_settings.h"

namespace morvane::fuzz {

struct Work {
  std::int64_t gifs = 0;     // files written
  std::int64_t pixels = 0;   // canvas pixels reduced to indexed colour, encoded and written
  std::int64_t decoded = 0;  // bytes of run-coded data decoded while drawing
  std::int64_t steps = 0;    // sequence positions walked, once per direction

  // In units of one canvas pixel through reduction (with dithering), the dearest step.
  std::int64_t Cost() const;
};

// The work of converting the sprite in data with the settings run.
Work EstimateWork(const std::uint8_t* data, std::size_t size, const RunSettingsRecord& run);

// Whether the work fits kWorkBudget (with MORVANE_FUZZ_VERBOSE set, tells the estimate).
bool WithinBudget(const Work& work);

// About a second and a half of conversion in the instrumented build (a canvas pixel there takes
// about 0.35 microseconds from drawing to the written file), so that no input comes near the
// fuzzer's ten-second timeout even on a loaded machine.
inline constexpr std::int64_t kWorkBudget = std::int64_t{1} << 22;

}  // namespace morvane::fuzz
