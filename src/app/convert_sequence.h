// One sequence of a parsed sprite written as GIF files, one per direction of its collection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sprite/sprite.h"

namespace morvane {

// The file-name suffix of a direction: none for one direction, compass names for 4 and 8,
// "_" and at least two upper-case hexadecimal digits otherwise.
std::string DirectionSuffix(std::int32_t directionCount, std::int32_t direction);

// The sequence name made safe as a file name: "/", "\" and NUL become "_", so no sequence can
// write outside its output directory.
std::string SafeFileName(std::string_view name);

// Prints the sequence's console text and, when its name matches pattern, composites every
// frame of every direction of its collection and writes outputDirectory/<name><suffix>.gif.
// The collection's images must be loaded. Errors propagate to the per-file job.
void ConvertSequence(TSprite& sprite, std::int32_t sequenceIndex,
                     const std::string& outputDirectory, const std::string& pattern);

}  // namespace morvane
