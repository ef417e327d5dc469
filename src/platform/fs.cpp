// The parts of files and directories that are the same on every system, built on each
// system's own calls.
#include "platform/fs.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/signals.h"

namespace morvane {

std::vector<std::string> ReadTextLines(const std::string& path) {
  return ReadTextLines(path, TextBounds{});
}

PendingFile PendingFile::Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  bool handed_out = false;
  return WriteInPieces(path, [&]() -> std::span<const std::uint8_t> {
    if (handed_out) return {};
    handed_out = true;
    return bytes;
  });
}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    temp_path_ = std::exchange(other.temp_path_, std::string());
    path_ = std::move(other.path_);
  }
  return *this;
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  PendingFile file = PendingFile::Write(path, bytes);
  // A file that was being written when the run began to end is removed, not completed.
  Signals::ThrowIfPending();
  file.Place();
}

}  // namespace morvane
