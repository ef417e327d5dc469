// The names of the files a sequence is written to in its output directory. Each name is made
// from the sequence's safe file name (SafeFileName), cut bytewise where the whole name would
// not fit kMaxFileNameBytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// The file-name suffix of a direction: none for one direction, compass names for 4 and 8,
// "_" and at least two upper-case hexadecimal digits otherwise.
std::string DirectionSuffix(std::int32_t direction_count, std::int32_t direction);

// A direction's file: the safe name cut so that it with the suffix and the ending fits, then
// the suffix and the ending.
std::string DirectionFileName(std::string_view safe_name, std::string_view suffix,
                              std::string_view ending);

// The direction's GIF, "<name><suffix>.gif", and its animated WebP, "<name><suffix>.webp".
std::string GifFileName(std::string_view safe_name, std::string_view suffix);
std::string WebpFileName(std::string_view safe_name, std::string_view suffix);

// The PNG of frame k of the direction's count frames, "<stem>_<k>.png", k written with as many
// digits as count - 1 has, at least three, and the stem "<name><suffix>" the names of the count
// frames share (the name cut so that the longest of them fits).
std::string FramePngFileName(std::string_view safe_name, std::string_view suffix, std::int64_t k,
                             std::int64_t count);
std::string FramePngStem(std::string_view safe_name, std::string_view suffix, std::int64_t count);

// The name of a sequence's sprite sheet, written as "<name>.png" and "<name>.json": the safe
// name cut so that "<name>.json" fits, "_" for an empty name.
std::string SheetName(std::string_view safe_name);

}  // namespace morvane
