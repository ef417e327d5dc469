#include "sprite/readers.h"

#include <algorithm>

namespace morvane {

DataStream::DataStream(SpriteFile& file, std::int64_t start, std::int64_t size)
    : file_(file), start_(start), size_(size) {}

std::int32_t DataStream::Read(void* buffer, std::int32_t count) {
  std::int32_t delivered = 0;
  DoRead(buffer, count, delivered);
  return delivered;
}

PlainStream::PlainStream(SpriteFile& file, std::int64_t start, std::int64_t size)
    : DataStream(file, start, size) {
  file_.Seek(start);
}

std::int64_t PlainStream::Position() {
  return file_.Position() - start_;
}

void PlainStream::DoRead(void* buffer, std::int32_t count, std::int32_t& delivered) {
  delivered = 0;
  const std::int64_t n = std::min<std::int64_t>(count, size_ - Position());
  if (n <= 0) return;
  delivered = static_cast<std::int32_t>(file_.ReadUpTo(buffer, static_cast<std::size_t>(n)));
}

InflateStream::InflateStream(SpriteFile& file, std::int64_t start, std::int64_t size,
                             std::int64_t packedSize)
    : DataStream(file, start, size), packed_size_(packedSize) {
  file_.Seek(start);
  // zstream_ starts zeroed: no input, and zlib's own allocator.
  initialised_ = inflateInit(&zstream_) == Z_OK;
  // The stream's checksum is only compared after its last byte has been delivered, and a
  // mismatch would merely end a stream that ends there anyway: skip computing it.
  if (initialised_) inflateValidate(&zstream_, 0);
}

InflateStream::~InflateStream() {
  if (initialised_) inflateEnd(&zstream_);
}

void InflateStream::DoRead(void* buffer, std::int32_t count, std::int32_t& delivered) {
  delivered = 0;
  if (count <= 0 || delivered_ >= size_) return;
  if (initialised_) {
    if (!input_buffer_) input_buffer_ = std::make_unique<std::uint8_t[]>(kInputBufferSize);
    zstream_.next_out = static_cast<Bytef*>(buffer);
    zstream_.avail_out = static_cast<uInt>(count);
    const uLong totalBefore = zstream_.total_out;
    // Packed bytes of this stream not yet taken from the file.
    std::int64_t remaining = packed_size_ + start_ - file_.Position();
    int result = Z_OK;
    while (zstream_.avail_out > 0 && result == Z_OK) {
      if (zstream_.avail_in == 0 && remaining > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(remaining, kInputBufferSize));
        const std::size_t got = file_.ReadUpTo(input_buffer_.get(), want);
        zstream_.next_in = input_buffer_.get();
        zstream_.avail_in = static_cast<uInt>(got);
        remaining -= static_cast<std::int64_t>(got);
      }
      const uLong outputBefore = zstream_.total_out;
      result = inflate(&zstream_, Z_NO_FLUSH);
      if (zstream_.total_out == outputBefore && remaining <= 0) break;
    }
    delivered = static_cast<std::int32_t>(zstream_.total_out - totalBefore);
    delivered_ += delivered;
  }
  // The first read that delivers nothing ends the stream, whatever Size promised.
  if (delivered == 0) size_ = delivered_;
}

void ReadFully(DataStream& stream, void* buffer, std::int32_t count) {
  if (stream.Read(buffer, count) != count) throw StreamEnded();
}

}  // namespace morvane
