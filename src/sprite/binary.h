// Little-endian fields of the sprite format, read from the sprite file. Internal to the sprite
// readers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"
#include "sprite/format_error.h"
#include "sprite/sprite.h"

namespace morvane::binary {

inline std::int32_t Int32At(const std::uint8_t* b) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
      static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::int32_t ReadInt32(SpriteFile& file) {
  std::uint8_t b[4];
  file.ReadExact(b, 4);
  return Int32At(b);
}

inline std::uint16_t ReadUInt16(SpriteFile& file) {
  std::uint8_t b[2];
  file.ReadExact(b, 2);
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

// A count that may not be negative: "bad <field> value. Filepos=" with the position just
// after the value.
inline void CheckCount(std::int32_t value, const char* field, std::int64_t position) {
  if (value < 0) {
    throw SpriteFormatError(std::string("bad ") + field + " value. " + FilePosText(position));
  }
}

// A record of needed bytes must fit in what is left of the file; otherwise reading it would
// end past the end, which is reported before anything is allocated for it.
inline void RequireRemaining(const SpriteFile& file, std::uint64_t needed) {
  if (needed > static_cast<std::uint64_t>(file.Remaining())) {
    throw IoError("Read beyond end of file");
  }
}

}  // namespace morvane::binary
