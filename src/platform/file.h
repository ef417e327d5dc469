// Binary input files: the sprite file the readers walk through, on disk or in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace morvane {

// The one open sprite file. Readers share it and move its position; a memory buffer serves
// as well as a disk file, so tests and fuzzers run the readers without touching the disk.
class SpriteFile {
 public:
  virtual ~SpriteFile() = default;

  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;
  // Seeking past the end is allowed; reads there deliver nothing.
  virtual void Seek(std::int64_t position) = 0;
  // Reads up to count bytes and returns how many were read (0 at the end of the file).
  virtual std::size_t ReadUpTo(void* buffer, std::size_t count) = 0;

  // Reads exactly count bytes; a file that ends first raises IoError
  // "Read beyond end of file" (the bytes that were there are consumed).
  void ReadExact(void* buffer, std::size_t count);
  // Bytes left from the current position to the end (0 past the end).
  std::int64_t Remaining() const;
};

// A sprite file on disk, opened read-only.
class DiskFile final : public SpriteFile {
 public:
  // The message for a path that exists but is neither a regular file nor a directory.
  static constexpr const char* kNotARegularFile = "Not a regular file";

  // Raises IoError with the system's text ("No such file or directory", "Is a directory"), or
  // kNotARegularFile for a FIFO, socket or device, which is never opened.
  static std::unique_ptr<DiskFile> Open(const std::string& path);
  ~DiskFile() override;

  std::int64_t Size() const override;
  std::int64_t Position() const override;
  void Seek(std::int64_t position) override;
  std::size_t ReadUpTo(void* buffer, std::size_t count) override;

 private:
  explicit DiskFile(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

// A sprite file held in memory (tests, fuzzing).
class MemoryFile final : public SpriteFile {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  MemoryFile(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {}

  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t Position() const override { return position_; }
  void Seek(std::int64_t position) override;
  std::size_t ReadUpTo(void* buffer, std::size_t count) override;

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

}  // namespace morvane
