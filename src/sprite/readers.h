// Reading a collection's image data: the streams that deliver its bytes from the open sprite
// file, plain or zlib-packed, the reader that walks its records through one of them, and the
// growing byte store that keeps what the records hold.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file.h"
#include "platform/worker_pool.h"

struct libdeflate_decompressor;

namespace morvane {

// The bytes of a region of the sprite file, in order. A stream reports no error for missing
// data: once it has nothing more to give, every read delivers nothing.
class DataStream {
 public:
  DataStream() = default;
  virtual ~DataStream() = default;
  DataStream(const DataStream&) = delete;
  DataStream& operator=(const DataStream&) = delete;

  // Reads up to count bytes into buffer and returns how many were delivered; 0 only when the
  // stream has nothing more (or count is 0 or less).
  virtual std::int64_t Read(std::uint8_t* buffer, std::int64_t count) = 0;
};

// The size bytes of the file from start (fewer when the file ends first).
class PlainStream final : public DataStream {
 public:
  // Seeks the sprite file to start; nobody else may move it while the stream is read.
  PlainStream(SpriteFile& file, std::int64_t start, std::int64_t size);

  std::int64_t Read(std::uint8_t* buffer, std::int64_t count) override;

 private:
  SpriteFile& file_;
  std::int64_t left_;  // bytes of the region not yet delivered
};

// One zlib stream (zlib header, 32 KiB window) of packed_size bytes from start, inflated. A
// stream that is cut short or corrupt delivers what inflates before the fault and then nothing.
//
// A block that states its unpacked size is first inflated whole, in one call, when that size is
// at most kMaxWholeBlockSize and no more than its packed bytes can expand to. The result is kept
// only when the stream is sound to its checksum and gives exactly the stated size, and is then
// delivered from memory; for anything else the block is inflated from its start again, piece by
// piece as each read asks, which is also how a block without a usable stated size is read. Both
// ways deliver the same bytes, so the way taken never shows in what is read.
class InflateStream final : public DataStream {
 public:
  static constexpr std::size_t kInputBufferSize = 65536;
  static constexpr std::int64_t kNoStatedSize = -1;
  // The largest stated size inflated whole, and the most packed bytes read for it at once.
  static constexpr std::int64_t kMaxWholeBlockSize = std::int64_t{64} << 20;
  static constexpr std::int64_t kMaxWholePackedSize = kMaxWholeBlockSize + (std::int64_t{1} << 20);
  // Deflate data expands at most 1032 times (258 bytes from two bits); the slack covers the
  // block headers of a short stream.
  static constexpr std::int64_t kMaxExpansion = 1032;
  static constexpr std::int64_t kExpansionSlack = 4096;

  // Seeks the sprite file to start and initialises inflation; nobody else may move the file
  // while the stream is read. A stream that cannot be initialised delivers nothing. With
  // helpers, an idle worker maps the pages of a block inflated whole while it is inflated.
  InflateStream(SpriteFile& file, std::int64_t start, std::int64_t packed_size,
                std::int64_t stated_size = kNoStatedSize, WorkerPool* helpers = nullptr);
  ~InflateStream() override;

  std::int64_t Read(std::uint8_t* buffer, std::int64_t count) override;

  // Whether the bytes come from the block inflated whole; settled by the first read.
  bool InflatedWhole() const { return whole_inflated_; }
  // The block inflated whole (its stated size), for the caller to keep once it has read what
  // it needs; the stream delivers nothing more afterwards.
  std::unique_ptr<std::uint8_t[]> TakeWholeBlock();

 private:
  struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* decompressor) const;
  };

  // Tries to inflate the block whole into whole_; true when whole_ holds exactly the stated
  // size. Leaves the file position to the caller.
  bool InflateWhole();
  std::int64_t ReadWhole(std::uint8_t* buffer, std::int64_t count);
  std::int64_t ReadPieces(std::uint8_t* buffer, std::int64_t count);

  SpriteFile& file_;
  WorkerPool* helpers_;
  std::int64_t start_;
  std::int64_t packed_size_;
  std::int64_t stated_size_;
  z_stream zstream_{};
  bool initialised_ = false;
  // Allocated at the first read that needs input.
  std::unique_ptr<std::uint8_t[]> input_buffer_;
  std::int64_t packed_left_;  // packed bytes not yet taken from the file

  bool whole_tried_ = false;
  bool whole_inflated_ = false;
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor_;
  std::unique_ptr<std::uint8_t[]> whole_;  // the inflated block
  std::int64_t whole_delivered_ = 0;
};

// Bytes that grow at the end as they arrive, in one block. The block doubles as it fills, and
// its capacities are powers of two: memory is only touched as bytes are written, so a store of
// at most 2^k bytes touches at most 2^k bytes, also while it is copied into a larger block.
class ByteStore {
 public:
  std::size_t Size() const { return size_; }
  const std::uint8_t* Data() const { return bytes_.get(); }
  // Adds count bytes at the end, left for the caller to fill, and returns where they start.
  std::uint8_t* Extend(std::size_t count);
  // Takes size bytes already in one block as the whole store.
  void Adopt(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size);
  // Drops the bytes from size on.
  void Truncate(std::size_t size);
  // Gives the memory back; the store is empty again.
  void Release();

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Walks a collection's image data through its stream, one field or block of a record per read.
// The data has a stated size: a read that starts at or past it delivers nothing, and one that
// starts before it is not cut to it (a packed stream may hold more than its block states). A
// read that cannot deliver all it asks for means that the data ended inside a record: it
// returns false, and the caller ends the data there. The stream is read ahead in blocks.
class ImageDataReader {
 public:
  ImageDataReader(DataStream& stream, std::int64_t stated_size);

  // Bytes of image data consumed so far.
  std::int64_t Position() const { return position_; }
  // Whether no further record can start: the stated size is reached, or the stream is spent.
  bool AtEnd() const;

  // Reads count bytes into buffer; a count of 0 or less reads nothing and succeeds.
  bool Read(void* buffer, std::int64_t count);
  bool ReadInt32(std::int32_t& value);
  // Appends count bytes to out as they arrive; when the data ends first, out keeps its size.
  bool Append(ByteStore& out, std::int64_t count);
  // Consumes count bytes without keeping them.
  bool Skip(std::int64_t count);
  // Consumes up to limit bytes equal to value that follow, as that many one-byte reads would,
  // and returns how many it consumed.
  std::int64_t SkipRepeats(std::uint8_t value, std::int64_t limit);

 private:
  static constexpr std::size_t kBufferSize = 65536;

  // One read of count bytes into target (nullptr drops them).
  bool Consume(std::uint8_t* target, std::int64_t count);
  // Moves up to count bytes of the stream to target (nullptr drops them) and returns how many
  // there were; position_ is left to the caller.
  std::int64_t Take(std::uint8_t* target, std::int64_t count);
  // Refills the read-ahead buffer; false when the stream has nothing more.
  bool Fill();

  DataStream& stream_;
  std::int64_t stated_size_;
  std::int64_t position_ = 0;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t buffer_start_ = 0;  // the unread bytes are buffer_[buffer_start_, buffer_end_)
  std::size_t buffer_end_ = 0;
  bool spent_ = false;  // the stream has delivered nothing once
};

}  // namespace morvane
