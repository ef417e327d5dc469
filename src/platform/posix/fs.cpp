#include "platform/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>

#include "core/errors.h"
#include "platform/path.h"
#include "platform/signals.h"

namespace morvane {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Closes a descriptor and removes the temporary file unless released.
class TempFile {
 public:
  TempFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void Release() { path_.clear(); }

 private:
  int fd_;
  std::string path_;
};

// The longest path the system hands out, terminating NUL included.
constexpr std::size_t kMaxPath = 4096;
// Text files are read in pieces of this many bytes.
constexpr std::size_t kReadChunk = 65536;

}  // namespace

std::string ProgramDirectory() {
  std::string path(kMaxPath, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return "./";
  path.resize(static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CreateDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

bool RemoveEmptyDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0;
}

bool CreatePrivateDirectories(const std::string& path) {
  const auto is_directory = [](const std::string& level) {
    struct stat info {};
    return ::stat(level.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  };
  // Each level from the top, the last one being path itself.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string level = path.substr(0, end);
    if (!is_directory(level) && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (end == std::string::npos) break;
  }
  return is_directory(path);
}

std::vector<std::string> ReadTextLines(const std::string& path, const TextBounds& bounds) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw IoError(std::strerror(errno));
  struct stat info {};
  if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
    throw IoError(std::strerror(EISDIR));
  }
  std::vector<std::string> lines;
  std::string line;
  bool open_line = false;
  std::uint64_t total = 0;
  const auto too_large = [] { return IoError(std::strerror(EFBIG)); };
  char buffer[kReadChunk];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    Signals::ThrowIfPending();  // a read from a pipe returns early when the run is ending
    total += got;
    if (total > bounds.max_file_bytes) throw too_large();
    for (std::size_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > bounds.max_line_bytes) throw too_large();
        lines.push_back(std::move(line));
        line.clear();
        open_line = false;
      } else {
        // One byte more than a line may hold can still be the CR of a CR LF.
        if (line.size() > bounds.max_line_bytes) throw too_large();
        line.push_back(buffer[i]);
        open_line = true;
      }
    }
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file.get())) throw IoError(std::strerror(errno != 0 ? errno : EIO));
  if (open_line) {
    if (line.size() > bounds.max_line_bytes) throw too_large();
    lines.push_back(std::move(line));
  }
  return lines;
}

bool AppendText(const std::string& path, std::string_view text, bool create) {
  const int flags = O_WRONLY | O_APPEND | (create ? O_CREAT : 0);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return false;
  bool ok = true;
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

PendingFile PendingFile::WriteInPieces(const std::string& path, const NextPiece& next_piece) {
  const std::string dir = DirectoryPart(path);
  Signals::ThrowIfPending();  // no file is started once the run is ending
  // A directory in the way would refuse the rename; say so before anything is written.
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
    throw Error("Cannot create file " + path);

  // A fresh name of our own, created exclusively with the mode an ordinary new file gets.
  constexpr int kNameAttempts = 100;
  constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  int fd = -1;
  std::string temp_path;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temp_path = dir + ".morvane-";
    for (int i = 0; i < 6; ++i) temp_path += kNameChars[random() % (sizeof kNameChars - 1)];
    fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw Error("Cannot create file " + path);
  TempFile temp(fd, temp_path);

  for (std::span<const std::uint8_t> piece = next_piece(); !piece.empty(); piece = next_piece()) {
    const std::uint8_t* data = piece.data();
    std::size_t left = piece.size();
    while (left > 0) {
      const ssize_t n = ::write(temp.fd(), data, left);
      if (n < 0) {
        if (errno == EINTR) {
          Signals::ThrowIfPending();
          continue;
        }
        throw Error(std::strerror(errno));
      }
      data += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  if (temp.Close() != 0) throw Error(std::strerror(errno));
  temp.Release();
  return PendingFile(std::move(temp_path), path);
}

void PendingFile::Discard() {
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

void PendingFile::Place() {
  // rename replaces whatever stands at path, a symbolic link included, without writing through it.
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    Discard();
    if (error == EISDIR || error == EACCES || error == EPERM || error == ENOTDIR) {
      throw Error("Cannot create file " + path_);
    }
    throw Error(std::strerror(error));
  }
  temp_path_.clear();
}

}  // namespace morvane
