// Full-alpha outputs for the preview tests, made by the converter's own encoders (src/rgba) from
// frames with soft shadows: each direction's animated WebP and PNG frames, and a sequence's
// sprite sheet with its JSON atlas, named as the converter names them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rgba/rgba_frame.h"

namespace morvane::preview::testing {

// A sequence of frame_count frames of width x height in each direction; stems[d] names
// direction d's outputs ("walk_N": walk_N.webp, walk_N_000.png, ...).
struct AlphaSequence {
  std::string name;  // the sheet's: <name>.png and <name>.json
  std::vector<std::string> stems;
  std::int32_t width = 6;
  std::int32_t height = 5;
  std::int64_t frame_count = 3;
  std::int32_t duration_ms = 100;
};

// Every frame is transparent but for an opaque body pixel in its middle and a shadow along its
// bottom row, whose alpha (partial) tells the frame apart from every other one of the sequence
// (of up to three directions of up to 16 frames).
std::uint8_t ShadowAlpha(std::size_t direction, std::int64_t frame);
std::vector<rgba::RgbaPixel> AlphaFrame(const AlphaSequence& sequence, std::size_t direction,
                                        std::int64_t frame);

// Each writes into folder (which must exist) and returns the names it wrote.
std::vector<std::string> WriteWebp(const std::string& folder, const AlphaSequence& sequence,
                                   std::size_t direction);
std::vector<std::string> WritePngFrames(const std::string& folder, const AlphaSequence& sequence,
                                        std::size_t direction);
std::vector<std::string> WriteSheet(const std::string& folder, const AlphaSequence& sequence);

}  // namespace morvane::preview::testing
