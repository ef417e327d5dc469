// The outputs a sequence is written as, and the list text of the option that names them.
#pragma once

#include <array>
#include <optional>
#include <string_view>

// Set by the build: 1 when it writes WebP (it links libwebp), 0 when it does not.
#ifndef MORVANE_HAVE_WEBP
#error "MORVANE_HAVE_WEBP must be defined by the build"
#endif

namespace morvane {

// Which outputs are written; each is on or off.
struct OutputFormats {
  bool gif = false;    // one GIF per direction
  bool png = false;    // one RGBA PNG per frame
  bool webp = false;   // one animated WebP per direction
  bool sheet = false;  // one sprite sheet with its JSON atlas per sequence

  bool operator==(const OutputFormats&) const = default;
};

// A word of the list and the output it turns on.
struct OutputFormatWord {
  std::string_view word;
  bool OutputFormats::*format;
};

// The words this build offers, in the order its texts name them.
inline constexpr auto kOutputFormatWords = std::to_array<OutputFormatWord>({
  {"gif", &OutputFormats::gif}, {"png", &OutputFormats::png},
#if MORVANE_HAVE_WEBP
      {"webp", &OutputFormats::webp},
#endif
      {"sheet", &OutputFormats::sheet},
});

// The message for a list that does not parse, and the option's meaning in the help text; both
// name the words above.
#if MORVANE_HAVE_WEBP
inline constexpr std::string_view kBadOutputFormatsMessage =
    "bad output_formats value. Must be a list of gif, png, webp, sheet";
inline constexpr std::string_view kOutputFormatsMeaning =
    "what each sequence is written as, a comma-separated list of: gif (a GIF per direction), png "
    "(an RGBA PNG per frame), webp (an animated WebP per direction), sheet (a sprite sheet and "
    "its JSON atlas)";
#else
inline constexpr std::string_view kBadOutputFormatsMessage =
    "bad output_formats value. Must be a list of gif, png, sheet";
inline constexpr std::string_view kOutputFormatsMeaning =
    "what each sequence is written as, a comma-separated list of: gif (a GIF per direction), png "
    "(an RGBA PNG per frame), sheet (a sprite sheet and its JSON atlas)";
#endif

// Reads a comma-separated list of the words above: letter case (A-Z) is ignored, blanks around
// a word are dropped and a word named twice counts once. Nothing for an empty list, an empty
// word or a word this build does not offer.
std::optional<OutputFormats> ParseOutputFormats(std::string_view text);

}  // namespace morvane
