#include "platform/file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"

namespace morvane {

namespace {
[[noreturn]] void ThrowErrno(int error) {
  throw IoError(std::strerror(error));
}
}  // namespace

std::unique_ptr<DiskFile> DiskFile::Open(const std::string& path) {
  // A FIFO, socket or device is refused before opening: opening a FIFO that nobody writes
  // would wait for ever. A path that cannot be looked at gets the open's own error below.
  struct stat before {};
  if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode) && !S_ISDIR(before.st_mode))
    throw IoError(kNotARegularFile);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) ThrowErrno(errno);
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    std::fclose(file);
    ThrowErrno(error);
  }
  return std::unique_ptr<DiskFile>(new DiskFile(file));
}

DiskFile::~DiskFile() {
  std::fclose(file_);
}

std::int64_t DiskFile::Size() const {
  struct stat info {};
  if (fstat(fileno(file_), &info) != 0) ThrowErrno(errno);
  return info.st_size;
}

std::int64_t DiskFile::Position() const {
  const off_t position = ftello(file_);
  if (position < 0) ThrowErrno(errno);
  return position;
}

void DiskFile::Seek(std::int64_t position) {
  if (position < 0) throw IoError(std::strerror(EINVAL));
  if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) ThrowErrno(errno);
}

std::size_t DiskFile::ReadUpTo(void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const std::size_t got = std::fread(buffer, 1, count, file_);
  if (got < count && std::ferror(file_)) {
    const int error = errno;
    std::clearerr(file_);
    ThrowErrno(error != 0 ? error : EIO);
  }
  return got;
}

}  // namespace morvane
