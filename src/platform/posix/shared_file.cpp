#include "platform/shared_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <random>

namespace morvane {

namespace {

// Content is copied from one file to another in pieces of this many bytes.
constexpr std::size_t kCopyPiece = 1 << 20;

int Descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// Writes all of the bytes; false when a write fails.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};

}  // namespace

std::optional<SharedFile> SharedFile::Open(const std::string& path, Opening how) {
  int flags = O_APPEND | O_CLOEXEC;
  switch (how) {
    case Opening::kAppend:
      flags |= O_WRONLY;
      break;
    case Opening::kCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
    case Opening::kUpdate:
      // Neither a link nor a FIFO nobody writes may hold the open up.
      flags |= O_RDWR | O_NOFOLLOW | O_NONBLOCK;
      break;
  }
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  SharedFile file(fd);
  struct stat info {};
  if (how == Opening::kUpdate && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    return std::nullopt;
  }
  return file;
}

void SharedFile::CloseHandle() {
  if (handle_ != kNoHandle) ::close(Descriptor(handle_));
  handle_ = kNoHandle;
}

SharedFile::Locking SharedFile::TryLock() {
  for (;;) {
    if (::flock(Descriptor(handle_), LOCK_EX | LOCK_NB) == 0) return Locking::kTaken;
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? Locking::kBusy : Locking::kUnsupported;
  }
}

void SharedFile::Unlock() {
  ::flock(Descriptor(handle_), LOCK_UN);
}

bool SharedFile::Append(std::string_view text) {
  return WriteAll(Descriptor(handle_), text.data(), text.size());
}

bool SharedFile::AppendContentOf(const SharedFile& source) {
  const auto piece = std::make_unique<char[]>(kCopyPiece);
  for (off_t offset = 0;;) {
    const ssize_t n = ::pread(Descriptor(source.handle_), piece.get(), kCopyPiece, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(Descriptor(handle_), piece.get(), static_cast<std::size_t>(n))) return false;
    offset += n;
  }
}

bool SharedFile::StandsAt(const std::string& path) const {
  struct stat open_file {};
  struct stat at_path {};
  return ::fstat(Descriptor(handle_), &open_file) == 0 && ::lstat(path.c_str(), &at_path) == 0 &&
         open_file.st_dev == at_path.st_dev && open_file.st_ino == at_path.st_ino;
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  const std::unique_ptr<DIR, DirectoryCloser> listing(::opendir(directory.c_str()));
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name(entry->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
  }
  return names;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string UniqueFileTag() {
  constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr int kRandomLetters = 8;
  std::random_device random;
  std::string tag = std::to_string(::getpid()) + ".";
  for (int i = 0; i < kRandomLetters; ++i) tag += kLetters[random() % (sizeof kLetters - 1)];
  return tag;
}

}  // namespace morvane
