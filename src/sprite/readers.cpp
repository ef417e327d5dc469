#include "sprite/readers.h"

#if MORVANE_SPRITE_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
#include <new>

#include "core/errors.h"
#include "platform/memory.h"
#include "sprite/binary.h"

namespace morvane {

namespace {

// The data of a long record goes straight from the stream into its store, in pieces of this
// size, so that the store grows only with bytes that are really there.
constexpr std::int64_t kAppendPiece = 256 * 1024;
constexpr std::size_t kFirstStoreCapacity = 4096;

// The number of bytes equal to value at the start of the count bytes at bytes. Whole blocks are
// compared at once: a run of empty places can be a gigabyte long.
std::int64_t CountRepeats(const std::uint8_t* bytes, std::int64_t count, std::uint8_t value) {
  constexpr std::int64_t kBlock = 256;
  std::uint8_t block[kBlock];
  std::memset(block, value, sizeof block);
  std::int64_t run = 0;
  while (count - run >= kBlock && std::memcmp(bytes + run, block, kBlock) == 0) run += kBlock;
  while (run < count && bytes[run] == value) ++run;
  return run;
}

}  // namespace

PlainStream::PlainStream(SpriteFile& file, std::int64_t start, std::int64_t size)
    : file_(file), left_(size) {
  file_.Seek(start);
}

std::int64_t PlainStream::Read(std::uint8_t* buffer, std::int64_t count) {
  const std::int64_t wanted = std::min(count, left_);
  if (wanted <= 0) return 0;
  const auto got =
      static_cast<std::int64_t>(file_.ReadUpTo(buffer, static_cast<std::size_t>(wanted)));
  left_ -= got;
  return got;
}

InflateStream::InflateStream(SpriteFile& file, std::int64_t start, std::int64_t packed_size,
                             std::int64_t stated_size, WorkerPool* helpers)
    : file_(file),
      helpers_(helpers),
      start_(start),
      packed_size_(packed_size),
      stated_size_(stated_size),
      packed_left_(packed_size) {
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

#if MORVANE_SPRITE_HAVE_LIBDEFLATE
namespace {

// Runs fill, which writes a fresh block, while an idle worker of helpers maps the block's pages
// ahead of it. Each first write to a page otherwise stops for the system to give it memory:
// about 2 us a page, a quarter of inflating it (-6 % on a 2-thread run of the measuring
// sprite). Exceptions of fill pass to the caller.
void WithPagesMappedBeside(WorkerPool* helpers, std::uint8_t* block, std::size_t size,
                           const std::function<void()>& fill) {
  if (helpers == nullptr || helpers->Serial()) {
    fill();
    return;
  }
  std::atomic<bool> filled{false};
  helpers->ForEach(2, [&](std::size_t task) {
    if (task == 0) {
      fill();
      filled = true;
    } else if (!filled) {
      PrefaultForWriting(block, size);
    }
  });
}

}  // namespace
#endif

void InflateStream::DecompressorDeleter::operator()(libdeflate_decompressor* decompressor) const {
#if MORVANE_SPRITE_HAVE_LIBDEFLATE
  libdeflate_free_decompressor(decompressor);
#else
  static_cast<void>(decompressor);  // never made without libdeflate
#endif
}

std::int64_t InflateStream::Read(std::uint8_t* buffer, std::int64_t count) {
  if (count <= 0 || !initialised_) return 0;
  if (!whole_tried_) {
    whole_tried_ = true;
    whole_inflated_ = InflateWhole();
    // Piece by piece, the block is read from its start.
    if (!whole_inflated_) file_.Seek(start_);
  }
  return whole_inflated_ ? ReadWhole(buffer, count) : ReadPieces(buffer, count);
}

bool InflateStream::InflateWhole() {
#if !MORVANE_SPRITE_HAVE_LIBDEFLATE
  return false;  // the stream is inflated piece by piece by zlib, to the same bytes
#else
  if (stated_size_ <= 0 || stated_size_ > kMaxWholeBlockSize || packed_size_ <= 0) return false;
  file_.Seek(start_);
  // A sound stream that ends inside these bytes inflates the same without the rest.
  const std::int64_t available = std::min({packed_size_, file_.Remaining(), kMaxWholePackedSize});
  if (available <= 0 || stated_size_ > available * kMaxExpansion + kExpansionSlack) return false;
  if (!decompressor_) decompressor_.reset(libdeflate_alloc_decompressor());
  if (!decompressor_) return false;
  try {
    auto packed =
        std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(available));
    std::size_t packed_count = 0;
    WithPagesMappedBeside(helpers_, packed.get(), static_cast<std::size_t>(available), [&] {
      while (packed_count < static_cast<std::size_t>(available)) {
        const std::size_t got = file_.ReadUpTo(packed.get() + packed_count,
                                               static_cast<std::size_t>(available) - packed_count);
        if (got == 0) break;
        packed_count += got;
      }
    });
    const auto size = static_cast<std::size_t>(stated_size_);
    auto whole = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t inflated = 0;
    // The checksum is compared here: zlib would deliver the bytes of a stream whose checksum
    // is wrong, so such a stream is read piece by piece. libdeflate also reads the length codes
    // 286 and 287, the distance codes 30 and 31 and code tables that declare them, where zlib
    // stops; a stream holding them passes here only with a checksum made for that reading.
    libdeflate_result result = LIBDEFLATE_BAD_DATA;
    WithPagesMappedBeside(helpers_, whole.get(), size, [&] {
      result = libdeflate_zlib_decompress_ex(decompressor_.get(), packed.get(), packed_count,
                                             whole.get(), size, nullptr, &inflated);
    });
    packed.reset();
    if (result != LIBDEFLATE_SUCCESS || inflated != size) return false;
    whole_ = std::move(whole);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const IoError&) {
    // Piece by piece the error comes again where those reads reach the failing bytes, and
    // not at all when the data ends before them.
    return false;
  }
#endif
}

std::unique_ptr<std::uint8_t[]> InflateStream::TakeWholeBlock() {
  return std::move(whole_);
}

std::int64_t InflateStream::ReadWhole(std::uint8_t* buffer, std::int64_t count) {
  const std::int64_t n = std::min(count, stated_size_ - whole_delivered_);
  if (n <= 0) return 0;
  std::memcpy(buffer, whole_.get() + whole_delivered_, static_cast<std::size_t>(n));
  whole_delivered_ += n;
  return n;
}

std::int64_t InflateStream::ReadPieces(std::uint8_t* buffer, std::int64_t count) {
  if (!input_buffer_) input_buffer_ = std::make_unique<std::uint8_t[]>(kInputBufferSize);
  zstream_.next_out = buffer;
  zstream_.avail_out =
      static_cast<uInt>(std::min<std::int64_t>(count, std::numeric_limits<uInt>::max()));
  const uLong total_before = zstream_.total_out;
  int result = Z_OK;
  while (zstream_.avail_out > 0 && result == Z_OK) {
    if (zstream_.avail_in == 0 && packed_left_ > 0) {
      const auto wanted =
          static_cast<std::size_t>(std::min<std::int64_t>(packed_left_, kInputBufferSize));
      const std::size_t got = file_.ReadUpTo(input_buffer_.get(), wanted);
      zstream_.next_in = input_buffer_.get();
      zstream_.avail_in = static_cast<uInt>(got);
      packed_left_ -= static_cast<std::int64_t>(got);
    }
    const uLong output_before = zstream_.total_out;
    result = inflate(&zstream_, Z_NO_FLUSH);
    // Without input to come, a pass that gives nothing ends the read.
    if (zstream_.total_out == output_before && packed_left_ <= 0) break;
  }
  return static_cast<std::int64_t>(zstream_.total_out - total_before);
}

std::uint8_t* ByteStore::Extend(std::size_t count) {
  if (count > capacity_ - size_) {
    std::size_t capacity = std::max(capacity_, kFirstStoreCapacity);
    while (capacity - size_ < count) capacity *= 2;
    // Left uninitialised, so that the pages beyond the bytes written are never touched.
    auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (size_ > 0) std::memcpy(grown.get(), bytes_.get(), size_);
    bytes_ = std::move(grown);
    capacity_ = capacity;
  }
  std::uint8_t* const added = bytes_.get() + size_;
  size_ += count;
  return added;
}

void ByteStore::Adopt(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size) {
  bytes_ = std::move(bytes);
  size_ = size;
  capacity_ = size;
}

void ByteStore::Truncate(std::size_t size) {
  size_ = std::min(size_, size);
}

void ByteStore::Release() {
  bytes_.reset();
  size_ = 0;
  capacity_ = 0;
}

ImageDataReader::ImageDataReader(DataStream& stream, std::int64_t stated_size)
    : stream_(stream), stated_size_(stated_size) {}

bool ImageDataReader::AtEnd() const {
  return position_ >= stated_size_ || (spent_ && buffer_start_ == buffer_end_);
}

bool ImageDataReader::Fill() {
  if (spent_) return false;
  if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(kBufferSize);
  const std::int64_t got = stream_.Read(buffer_.get(), kBufferSize);
  buffer_start_ = 0;
  buffer_end_ = static_cast<std::size_t>(got);
  spent_ = got == 0;
  return !spent_;
}

std::int64_t ImageDataReader::Take(std::uint8_t* target, std::int64_t count) {
  std::int64_t taken = 0;
  while (taken < count) {
    if (buffer_start_ == buffer_end_) {
      // A long read goes past the buffer, straight from the stream.
      if (target != nullptr && count - taken >= static_cast<std::int64_t>(kBufferSize) && !spent_) {
        const std::int64_t got = stream_.Read(target + taken, count - taken);
        spent_ = got == 0;
        taken += got;
        continue;
      }
      if (!Fill()) break;
    }
    const auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(count - taken, buffer_end_ - buffer_start_));
    if (target != nullptr) std::memcpy(target + taken, buffer_.get() + buffer_start_, n);
    buffer_start_ += n;
    taken += static_cast<std::int64_t>(n);
  }
  return taken;
}

bool ImageDataReader::Consume(std::uint8_t* target, std::int64_t count) {
  if (count <= 0) return true;
  if (position_ >= stated_size_) return false;
  const std::int64_t got = Take(target, count);
  position_ += got;
  return got == count;
}

bool ImageDataReader::Read(void* buffer, std::int64_t count) {
  return Consume(static_cast<std::uint8_t*>(buffer), count);
}

bool ImageDataReader::ReadInt32(std::int32_t& value) {
  std::uint8_t b[4];
  if (!Read(b, 4)) return false;
  value = binary::Int32At(b);
  return true;
}

bool ImageDataReader::Append(ByteStore& out, std::int64_t count) {
  if (count <= 0) return true;
  if (position_ >= stated_size_) return false;
  const std::size_t size_before = out.Size();
  std::int64_t got = 0;
  while (got < count) {
    const std::int64_t piece = std::min(count - got, kAppendPiece);
    const std::int64_t arrived = Take(out.Extend(static_cast<std::size_t>(piece)), piece);
    got += arrived;
    if (arrived < piece) break;
  }
  position_ += got;
  if (got == count) return true;
  out.Truncate(size_before);
  return false;
}

bool ImageDataReader::Skip(std::int64_t count) {
  return Consume(nullptr, count);
}

std::int64_t ImageDataReader::SkipRepeats(std::uint8_t value, std::int64_t limit) {
  std::int64_t skipped = 0;
  // Each byte is a read of its own, so each must start before the stated size.
  while (skipped < limit && position_ < stated_size_) {
    if (buffer_start_ == buffer_end_ && !Fill()) break;
    const std::uint8_t* const first = buffer_.get() + buffer_start_;
    const std::int64_t available = std::min({static_cast<std::int64_t>(buffer_end_ - buffer_start_),
                                             stated_size_ - position_, limit - skipped});
    const std::int64_t run = CountRepeats(first, available, value);
    buffer_start_ += static_cast<std::size_t>(run);
    position_ += run;
    skipped += run;
    if (run < available) break;
  }
  return skipped;
}

}  // namespace morvane
