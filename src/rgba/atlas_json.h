// The JSON atlas beside a sprite sheet, in the "JSON array" layout that game engines and
// sprite tools load:
//
//   {"frames": [
//     {"filename": "walk_N_000", "frame": {"x": 0, "y": 0, "w": 64, "h": 80}, "rotated": false,
//      "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 64, "h": 80},
//      "sourceSize": {"w": 64, "h": 80}, "pivot": {"x": 0.5, "y": 0.875}, "duration": 100},
//     ...],
//    "meta": {"app": "morvane", "version": "...", "image": "walk.png", "format": "RGBA8888",
//      "size": {"w": 2048, "h": 640}, "scale": "1",
//      "frameTags": [{"name": "walk_N", "from": 0, "to": 31, "direction": "forward"}, ...]}}
//
// The frames come direction by direction and frame by frame, one frame tag per direction; from
// and to index the frames array. Each frame is its whole cell, untrimmed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "rgba/sheet_layout.h"

namespace morvane::rgba {

// The names of one direction's outputs.
struct AtlasDirectionNames {
  std::string_view tag;         // the frame tag: the GIF's name without ".gif"
  std::string_view frame_stem;  // frame k is "<frame_stem>_<FrameNumber(k, count)>"
};

// The atlas of a sheet laid out as layout: names for each of its directions, in order (as many
// as the layout has, std::invalid_argument otherwise), image the sheet's PNG name, every frame
// lasting frame_duration_ms, version the program's version text. The text is UTF-8 with a line
// per frame and per tag and ends with a line feed.
std::string AtlasJson(const SheetLayout& layout, std::span<const AtlasDirectionNames> names,
                      std::string_view image, std::int64_t frame_duration_ms,
                      std::string_view version);

// Frame index of count frames, in decimal with at least 3 digits and as many as count - 1 has
// (zeros in front): 7 of 12 is "007", 7 of 1001 is "0007".
std::string FrameNumber(std::int64_t index, std::int64_t count);

// text as a JSON string, quotes included, appended to out. Valid UTF-8 sequences are kept as
// they are; '"' and '\' are escaped with a backslash; control bytes (0x00 to 0x1F and 0x7F)
// and every byte that does not begin a valid UTF-8 sequence (a stray continuation byte, a cut
// or overlong sequence, a surrogate, a code point past U+10FFFF) become \u00xx with two
// lower-case hexadecimal digits, the byte read as the code point of its value (a lone 0xE9 is
// \u00e9, "é").
void AppendJsonString(std::string& out, std::string_view text);

// value as a decimal number rounded to 6 digits after the point (halves away from zero), with
// trailing zeros and a bare point dropped and no "-" before a zero: 1/2 "0.5", 2/3 "0.666667",
// -1/8 "-0.125", 3/1 "3", -1/10000000 "0". Exact integer arithmetic, the same in every locale;
// the denominator must be positive and below 2^59 (std::invalid_argument otherwise).
std::string FormatDecimal(const Fraction& value);

}  // namespace morvane::rgba
