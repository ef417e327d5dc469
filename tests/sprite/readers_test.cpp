#include "sprite/readers.h"

#include <gtest/gtest.h>

#include <random>

#include "allocation_probe.h"
#include "platform/file.h"
#include "sprwriter/sprwriter.h"

namespace morvane {
namespace {

// Whole blocks are inflated in one call only where libdeflate is built in.
constexpr bool kWholeBlocks = MORVANE_SPRITE_HAVE_LIBDEFLATE;

namespace sw = morvane::sprwriter;

sw::Bytes Counting(std::size_t size) {
  sw::Bytes bytes(size);
  std::uint32_t state = 12345;
  for (auto& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);  // poorly compressible, so the input spans blocks
  }
  return bytes;
}

// Everything the stream delivers, read count bytes at a time.
sw::Bytes Drain(DataStream& stream, std::int64_t count) {
  sw::Bytes out;
  sw::Bytes buffer(static_cast<std::size_t>(count));
  while (const std::int64_t got = stream.Read(buffer.data(), count)) {
    EXPECT_GT(got, 0);
    out.insert(out.end(), buffer.begin(), buffer.begin() + got);
  }
  return out;
}

TEST(PlainStream, DeliversOnlyItsWindow) {
  MemoryFile file(sw::Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
  PlainStream stream(file, 2, 5);
  std::uint8_t buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, buffer + 3), "234");
  // Asking for more than is left delivers what is left and leaves the rest of the buffer.
  EXPECT_EQ(stream.Read(buffer, 6), 2);
  EXPECT_EQ(std::string(buffer, buffer + 7), "564xxxx");
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);

  MemoryFile short_file(sw::Bytes{1, 2, 3, 4});
  PlainStream past_end(short_file, 2, 10);  // the window runs past the end of the file
  EXPECT_EQ(Drain(past_end, 8), (sw::Bytes{3, 4}));
}

struct PackedFixture {
  // Some leading bytes, the packed stream, and trailing bytes that belong to someone else.
  explicit PackedFixture(const sw::Bytes& content, std::size_t cut = 0) : content(content) {
    packed = sw::Pack(content);
    packed.resize(packed.size() - cut);
    sw::Bytes bytes(7 + packed.size() + 100, 0xBB);
    std::fill_n(bytes.begin(), 7, 0xAA);
    std::copy(packed.begin(), packed.end(), bytes.begin() + 7);
    file = std::make_unique<MemoryFile>(bytes);
  }
  // Without a stated size the stream is inflated piece by piece.
  InflateStream Open(std::int64_t stated_size = InflateStream::kNoStatedSize) {
    return InflateStream(*file, 7, static_cast<std::int64_t>(packed.size()), stated_size);
  }
  sw::Bytes content;
  sw::Bytes packed;
  std::unique_ptr<MemoryFile> file;
};

TEST(InflateStream, InflatesAcrossInputBlocksWithinItsPackedBytes) {
  PackedFixture f(Counting(300000));
  InflateStream stream = f.Open();
  EXPECT_EQ(Drain(stream, 7777), f.content);
  EXPECT_LE(f.file->Position(), 7 + static_cast<std::int64_t>(f.packed.size()));
}

TEST(InflateStream, ZeroLengthReadChangesNothing) {
  for (const std::int64_t stated_size : {InflateStream::kNoStatedSize, std::int64_t{100}}) {
    PackedFixture f(Counting(100));
    InflateStream stream = f.Open(stated_size);
    std::uint8_t buffer[100];
    EXPECT_EQ(stream.Read(buffer, 0), 0);
    EXPECT_EQ(f.file->Position(), 7);
    EXPECT_EQ(stream.Read(buffer, 40), 40);
    EXPECT_EQ(stream.InflatedWhole(), kWholeBlocks && stated_size == 100);
    EXPECT_EQ(stream.Read(buffer, 0), 0);
    EXPECT_EQ(stream.Read(buffer, 100), 60);
    EXPECT_TRUE(std::equal(buffer, buffer + 60, f.content.begin() + 40));
    EXPECT_EQ(stream.Read(buffer, 100), 0);
  }
}

TEST(InflateStream, CutShortDeliversWhatInflatesThenNothing) {
  PackedFixture f(Counting(200000), 150000);
  InflateStream stream = f.Open();
  const sw::Bytes got = Drain(stream, 4096);
  EXPECT_GT(got.size(), 0u);
  EXPECT_LT(got.size(), 200000u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), f.content.begin()));
}

TEST(InflateStream, CorruptOrMissingDataDeliversNothing) {
  MemoryFile garbage(sw::Bytes(50, 0x5A));
  InflateStream corrupt(garbage, 0, 50);
  std::uint8_t buffer[16];
  EXPECT_EQ(corrupt.Read(buffer, 16), 0);
  EXPECT_EQ(corrupt.Read(buffer, 16), 0);

  PackedFixture f(Counting(100));
  InflateStream none(*f.file, 7, -5);  // a block that ends before it starts
  EXPECT_EQ(none.Read(buffer, 16), 0);
}

// Content that inflates through several deflate blocks of different kinds.
sw::Bytes MixedContent() {
  sw::Bytes content = Counting(150000);
  content.resize(250000, 0);
  const sw::Bytes tail = Counting(50000);
  content.insert(content.end(), tail.begin(), tail.end());
  return content;
}

// What a packed block delivers read both ways: with its stated size, which inflates it whole
// where it can, and without, piece by piece.
struct BothWays {
  bool inflated_whole = false;
  sw::Bytes whole;   // with the stated size
  sw::Bytes pieces;  // without
};

BothWays ReadBothWays(const sw::Bytes& file_bytes, std::int64_t packed_size,
                      std::int64_t stated_size, std::int64_t read_size) {
  BothWays ways;
  MemoryFile file(file_bytes);
  InflateStream with_size(file, 7, packed_size, stated_size);
  ways.whole = Drain(with_size, read_size);
  ways.inflated_whole = with_size.InflatedWhole();
  InflateStream without_size(file, 7, packed_size);
  ways.pieces = Drain(without_size, read_size);
  return ways;
}

bool StartsWith(const sw::Bytes& bytes, const sw::Bytes& prefix) {
  return bytes.size() <= prefix.size() && std::equal(bytes.begin(), bytes.end(), prefix.begin());
}

TEST(InflateStreamWays, DeliverTheSameBytesForSoundAndFaultyBlocks) {
  const sw::Bytes content = MixedContent();
  const auto size = static_cast<std::int64_t>(content.size());
  const sw::Bytes packed = sw::Pack(content);
  const auto packed_size = static_cast<std::int64_t>(packed.size());
  // 7 bytes before the block and 100 after it, as PackedFixture lays them out.
  const auto file_with = [](sw::Bytes stream) {
    sw::Bytes bytes(7, 0xAA);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    bytes.resize(bytes.size() + 100, 0xBB);
    return bytes;
  };
  const sw::Bytes sound = file_with(packed);
  sw::Bytes altered = sound;  // a byte of stored data: the stream stays whole
  altered[7 + packed.size() / 2] ^= 0x55;
  sw::Bytes corrupt = sound;  // the first block's header
  corrupt[7 + 2] ^= 0x55;
  sw::Bytes bad_checksum = sound;
  bad_checksum[7 + packed.size() - 1] ^= 0x01;
  const sw::Bytes cut_by_end_of_file(sound.begin(), sound.begin() + 7 + packed_size / 2);
  const sw::Bytes cut_in_checksum(sound.begin(), sound.begin() + 7 + packed_size - 2);

  // All of content, only a start of it, or something else.
  enum Delivered { kAll, kStart, kOther };
  struct Case {
    const char* name;
    const sw::Bytes& file;
    std::int64_t packed_size;
    std::int64_t stated_size;
    bool inflated_whole;
    Delivered delivered;
  };
  const Case cases[] = {
      {"sound", sound, packed_size, size, true, kAll},
      {"bytes after the stream", sound, packed_size + 60, size, true, kAll},
      {"stated larger", sound, packed_size, size + 1, false, kAll},
      {"stated smaller", sound, packed_size, size - 1, false, kAll},
      {"checksum wrong", bad_checksum, packed_size, size, false, kAll},
      {"file ends in the checksum", cut_in_checksum, packed_size, size, false, kAll},
      {"block ends inside the stream", sound, packed_size / 2, size, false, kStart},
      {"file ends inside the stream", cut_by_end_of_file, packed_size, size, false, kStart},
      {"data altered", altered, packed_size, size, false, kOther},
      {"corrupt", corrupt, packed_size, size, false, kOther},
  };
  for (const Case& c : cases) {
    for (const std::int64_t read_size : {7, 4096, 1 << 20}) {
      SCOPED_TRACE(std::string(c.name) + ", reads of " + std::to_string(read_size));
      const BothWays ways = ReadBothWays(c.file, c.packed_size, c.stated_size, read_size);
      EXPECT_EQ(ways.inflated_whole, kWholeBlocks && c.inflated_whole);
      EXPECT_EQ(ways.whole, ways.pieces);
      if (c.delivered == kAll) {
        EXPECT_EQ(ways.whole, content);
      } else if (c.delivered == kStart) {
        EXPECT_LT(ways.whole.size(), content.size());
        EXPECT_TRUE(StartsWith(ways.whole, content));
      } else {
        EXPECT_NE(ways.whole, content);
      }
    }
  }
}

TEST(InflateStreamWays, OnlyAPlausibleStatedSizeUpToTheLimitIsAllocated) {
  constexpr std::size_t kSmallMemory = 1 << 20;
  const auto largest_allocation = [](const sw::Bytes& content, std::int64_t stated_size) {
    PackedFixture f(content);
    testing::AllocationProbe probe;
    InflateStream stream = f.Open(stated_size);
    EXPECT_EQ(Drain(stream, 65536), content);
    EXPECT_FALSE(stream.InflatedWhole());
    return probe.Largest();
  };
  // 100 packed bytes cannot hold 10 MiB.
  EXPECT_LT(largest_allocation(Counting(100), 10 << 20), kSmallMemory);
  // 70 KB of packed bytes could, but the stated size passes the limit.
  EXPECT_LT(largest_allocation(Counting(70000), InflateStream::kMaxWholeBlockSize + 1),
            kSmallMemory);
}

// A packed stream of content with stated_size, and a reader over it.
struct ReaderFixture {
  ReaderFixture(const sw::Bytes& content, std::int64_t stated_size)
      : packed(content), stream(packed.Open(stated_size)), reader(stream, stated_size) {}
  PackedFixture packed;
  InflateStream stream;
  ImageDataReader reader;
};

TEST(ImageDataReader, ReadsAreNotCutToTheStatedSizeButMayNotStartPastIt) {
  ReaderFixture f(Counting(100), 10);
  std::uint8_t buffer[100];
  EXPECT_FALSE(f.reader.AtEnd());
  EXPECT_TRUE(f.reader.Read(buffer, 8));
  EXPECT_TRUE(f.reader.Read(buffer + 8, 52));  // starts at 8, before the stated 10
  EXPECT_EQ(f.reader.Position(), 60);
  EXPECT_TRUE(f.reader.AtEnd());
  EXPECT_TRUE(std::equal(buffer, buffer + 60, f.packed.content.begin()));
  EXPECT_FALSE(f.reader.Read(buffer, 1));
  EXPECT_TRUE(f.reader.Read(buffer, 0));  // nothing asked, nothing missing
  EXPECT_EQ(f.reader.Position(), 60);

  ReaderFixture none(Counting(100), -1);  // nothing stated: nothing read
  EXPECT_TRUE(none.reader.AtEnd());
  EXPECT_FALSE(none.reader.Read(buffer, 1));
}

TEST(ImageDataReader, ADataEndInsideAReadIsReported) {
  ReaderFixture f(Counting(100), 1000);
  std::uint8_t buffer[100];
  std::int32_t value = 0;
  EXPECT_TRUE(f.reader.Read(buffer, 97));
  EXPECT_FALSE(f.reader.AtEnd());  // the stream has not yet said it is spent
  EXPECT_FALSE(f.reader.ReadInt32(value));
  EXPECT_EQ(f.reader.Position(), 100);
  EXPECT_TRUE(f.reader.AtEnd());
  EXPECT_FALSE(f.reader.Skip(1));
}

TEST(ImageDataReader, DeliversTheStreamWhateverTheSizesOfItsReads) {
  const sw::Bytes content = Counting(700000);
  ReaderFixture f(content, 700000);
  std::mt19937 random(3);
  sw::Bytes got;
  ByteStore store;
  while (!f.reader.AtEnd()) {
    const std::int64_t count =
        std::min<std::int64_t>(static_cast<std::int64_t>(content.size() - got.size()),
                               random() % 4 == 0 ? 70000 + random() % 300000 : random() % 300);
    const std::size_t at = got.size();
    got.resize(at + static_cast<std::size_t>(count));
    switch (random() % 3) {
      case 0:
        ASSERT_TRUE(f.reader.Read(got.data() + at, count));
        break;
      case 1:
        ASSERT_TRUE(f.reader.Append(store, count));
        std::copy(store.Data() + store.Size() - count, store.Data() + store.Size(),
                  got.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      default:
        ASSERT_TRUE(f.reader.Skip(count));
        std::copy(content.begin() + static_cast<std::ptrdiff_t>(at),
                  content.begin() + static_cast<std::ptrdiff_t>(at + count),
                  got.begin() + static_cast<std::ptrdiff_t>(at));
    }
    ASSERT_EQ(f.reader.Position(), static_cast<std::int64_t>(got.size()));
  }
  EXPECT_EQ(got, content);
}

TEST(ImageDataReader, AnAppendArrivesWholeOrNotAtAll) {
  // One append of 600,000 bytes from position 10 of a stream stated as 20 bytes long: it is one
  // read, so it is not cut to the stated size, however many pieces it arrives in.
  ReaderFixture f(Counting(800000), 20);
  ByteStore store;
  ASSERT_TRUE(f.reader.Skip(10));
  ASSERT_TRUE(f.reader.Append(store, 600000));
  ASSERT_EQ(store.Size(), 600000u);
  EXPECT_TRUE(std::equal(store.Data(), store.Data() + 600000, f.packed.content.begin() + 10));
  EXPECT_FALSE(f.reader.Append(store, 5));  // starts past the stated size

  // An append that the data ends inside leaves the store as it was.
  ReaderFixture cut(Counting(800000), 1000000);
  ASSERT_TRUE(cut.reader.Append(store, 100));
  EXPECT_FALSE(cut.reader.Append(store, 900000));
  EXPECT_EQ(store.Size(), 600100u);
  EXPECT_EQ(cut.reader.Position(), 800000);
}

TEST(ImageDataReader, SkipRepeatsStopsAtAnotherByteTheStatedSizeOrTheLimit) {
  sw::Bytes content(200000, 0);
  content[150000] = 7;
  ReaderFixture f(content, 180000);
  EXPECT_EQ(f.reader.SkipRepeats(0, 1000), 1000);
  EXPECT_EQ(f.reader.SkipRepeats(0, 1 << 30), 149000);
  EXPECT_EQ(f.reader.SkipRepeats(0, 1 << 30), 0);
  std::uint8_t byte = 0;
  ASSERT_TRUE(f.reader.Read(&byte, 1));
  EXPECT_EQ(byte, 7);
  EXPECT_EQ(f.reader.SkipRepeats(0, 1 << 30), 180000 - 150001);
  EXPECT_TRUE(f.reader.AtEnd());

  ReaderFixture spent(sw::Bytes(5000, 0), 1 << 30);
  EXPECT_EQ(spent.reader.SkipRepeats(0, 1 << 30), 5000);
  EXPECT_TRUE(spent.reader.AtEnd());
}

TEST(ByteStore, GrowsInPowersOfTwoAndTruncates) {
  ByteStore store;
  EXPECT_EQ(store.Size(), 0u);
  std::uint8_t* first = store.Extend(3);
  std::fill_n(first, 3, 9);
  std::uint8_t* more = store.Extend(100000);
  std::fill_n(more, 100000, 5);
  EXPECT_EQ(store.Size(), 100003u);
  EXPECT_EQ(store.Data()[2], 9);  // kept across the move into a larger block
  EXPECT_EQ(store.Data()[100002], 5);
  store.Truncate(2);
  EXPECT_EQ(store.Size(), 2u);
  store.Truncate(50);  // never grows
  EXPECT_EQ(store.Size(), 2u);
  store.Release();
  EXPECT_EQ(store.Size(), 0u);
  EXPECT_EQ(store.Data(), nullptr);
}

}  // namespace
}  // namespace morvane
