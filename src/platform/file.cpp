// The reading of sprite files that is the same on every system: what is built on each system's
// reads, and files held in memory.
#include "platform/file.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"

namespace morvane {

void SpriteFile::ReadExact(void* buffer, std::size_t count) {
  if (ReadUpTo(buffer, count) != count) throw IoError("Read beyond end of file");
}

std::int64_t SpriteFile::Remaining() const {
  return std::max<std::int64_t>(Size() - Position(), 0);
}

// A file held in memory reads the same everywhere; a negative position is refused with the
// text the systems give for it.
void MemoryFile::Seek(std::int64_t position) {
  if (position < 0) throw IoError("Invalid argument");
  position_ = position;
}

std::size_t MemoryFile::ReadUpTo(void* buffer, std::size_t count) {
  const std::int64_t left = Size() - position_;
  if (left <= 0 || count == 0) return 0;
  const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(left));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

}  // namespace morvane
