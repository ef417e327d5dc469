// What an open shared file does the same on every system; opening, locking, writing and
// closing are in each system's file.
#include "platform/shared_file.h"

#include <utility>

namespace morvane {

SharedFile::SharedFile(SharedFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)) {}

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept {
  if (this != &other) {
    CloseHandle();
    handle_ = std::exchange(other.handle_, kNoHandle);
  }
  return *this;
}

SharedFile::~SharedFile() {
  CloseHandle();
}

}  // namespace morvane
