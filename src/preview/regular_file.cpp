#include "preview/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morvane::preview {

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

Descriptor OpenRegularFile(const std::string& path, std::uint64_t& size, std::string& error) {
  // O_NONBLOCK so that a FIFO standing under the name cannot block the open.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (!file.is_open() || ::fstat(file.get(), &info) != 0) {
    error = std::strerror(errno);
    return Descriptor(-1);
  }
  if (!S_ISREG(info.st_mode)) {
    error = "Not a regular file";
    return Descriptor(-1);
  }
  size = static_cast<std::uint64_t>(info.st_size);
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags >= 0) ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
  return file;
}

}  // namespace morvane::preview
