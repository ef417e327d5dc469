// Bounded input streams over the open sprite file: the image data of a collection is read
// through one of them, plain or zlib-packed.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>

#include "platform/errors.h"
#include "platform/file.h"

namespace morvane {

// A window of the sprite file. Content positions count from 0 at Start(). Streams report no
// error for missing data: a read at or past the end simply delivers fewer bytes (or none).
// Positions and sizes are kept in 64 bits so that no value from the file can overflow them.
class DataStream {
 public:
  DataStream(SpriteFile& file, std::int64_t start, std::int64_t size);
  virtual ~DataStream() = default;
  DataStream(const DataStream&) = delete;
  DataStream& operator=(const DataStream&) = delete;

  // Bytes of content delivered so far.
  virtual std::int64_t Position() = 0;
  // Reads up to count bytes into buffer and returns how many were delivered; the rest of the
  // buffer is left untouched. A count of 0 or less delivers nothing.
  virtual std::int32_t Read(void* buffer, std::int32_t count);
  virtual void DoRead(void* buffer, std::int32_t count, std::int32_t& delivered) = 0;

  bool AtEnd() { return Position() >= size_; }
  std::int64_t Start() const { return start_; }
  std::int64_t Size() const { return size_; }

 protected:
  SpriteFile& file_;
  std::int64_t start_;
  std::int64_t size_;
};

// Plain bytes from Start up to Start + Size.
class PlainStream final : public DataStream {
 public:
  // Seeks the sprite file to start.
  PlainStream(SpriteFile& file, std::int64_t start, std::int64_t size);

  std::int64_t Position() override;
  void DoRead(void* buffer, std::int32_t count, std::int32_t& delivered) override;
};

// One zlib stream (zlib header, 32 KiB window) of packedSize bytes from Start, inflating to
// Size bytes. Size is only what the file promises: a stream that is cut short or corrupt stops
// delivering, and its first read that delivers nothing sets Size to what was delivered, so it
// is at its end from then on.
class InflateStream final : public DataStream {
 public:
  static constexpr std::size_t kInputBufferSize = 65536;

  // Seeks the sprite file to start and initialises inflation. A stream that cannot be
  // initialised delivers nothing.
  InflateStream(SpriteFile& file, std::int64_t start, std::int64_t size, std::int64_t packedSize);
  ~InflateStream() override;

  std::int64_t Position() override { return delivered_; }
  void DoRead(void* buffer, std::int32_t count, std::int32_t& delivered) override;

  std::int64_t PackedSize() const { return packed_size_; }

 private:
  z_stream zstream_{};
  bool initialised_ = false;
  // Allocated at the first read that needs input.
  std::unique_ptr<std::uint8_t[]> input_buffer_;
  std::int64_t packed_size_;
  std::int64_t delivered_ = 0;
};

// A stream ended before a record of the image data was complete. Image-set loading catches it
// and ends the data there; it never reaches the per-file job.
class StreamEnded : public Error {
 public:
  StreamEnded() : Error("Read beyond end of data") {}
};

// Reads exactly count bytes from the stream or raises StreamEnded.
void ReadFully(DataStream& stream, void* buffer, std::int32_t count);

}  // namespace morvane
