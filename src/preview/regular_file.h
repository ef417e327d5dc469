// Opening the files the page describes: regular files only, and never blocking on a FIFO that
// stands under an output's name.
#pragma once

#include <cstdint>
#include <string>

namespace morvane::preview {

// An open file descriptor, closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;
  ~Descriptor();

  int get() const { return fd_; }
  bool is_open() const { return fd_ >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Opens path for reading (blocking reads). When it is not there or not a regular file, the
// descriptor comes back closed and error says why; otherwise size is the file's size.
Descriptor OpenRegularFile(const std::string& path, std::uint64_t& size, std::string& error);

}  // namespace morvane::preview
