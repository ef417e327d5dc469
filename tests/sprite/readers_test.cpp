#include "sprite/readers.h"

#include <gtest/gtest.h>

#include <numeric>

#include "platform/file.h"
#include "sprwriter/sprwriter.h"

namespace morvane {
namespace {

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

TEST(PlainStream, DeliversOnlyItsWindow) {
  MemoryFile file(sw::Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
  PlainStream stream(file, 2, 5);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "234");
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_FALSE(stream.AtEnd());
  // Asking for more than is left delivers what is left and leaves the rest of the buffer.
  EXPECT_EQ(stream.Read(buffer, 6), 2);
  EXPECT_EQ(std::string(buffer, 7), "564xxxx");
  EXPECT_TRUE(stream.AtEnd());
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);
}

TEST(PlainStream, WindowPastTheFileEndDeliversWhatTheFileHas) {
  MemoryFile file(sw::Bytes{1, 2, 3, 4});
  PlainStream stream(file, 2, 10);
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  EXPECT_FALSE(stream.AtEnd());  // the stream does not know the file is short
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
  InflateStream Open(std::int64_t size) {
    return InflateStream(*file, 7, size, static_cast<std::int64_t>(packed.size()));
  }
  sw::Bytes content;
  sw::Bytes packed;
  std::unique_ptr<MemoryFile> file;
};

TEST(PackedStream, InflatesAcrossInputBlocksWithinItsPackedBytes) {
  PackedFixture f(Counting(300000));
  InflateStream stream(*f.file, 7, 300000, static_cast<std::int64_t>(f.packed.size()));
  sw::Bytes out;
  std::uint8_t buffer[7777];
  while (!stream.AtEnd()) {
    const std::int32_t got = stream.Read(buffer, sizeof buffer);
    ASSERT_GT(got, 0);
    out.insert(out.end(), buffer, buffer + got);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(out.size()));
  }
  EXPECT_EQ(out, f.content);
  EXPECT_LE(f.file->Position(), 7 + static_cast<std::int64_t>(f.packed.size()));
  EXPECT_EQ(stream.Read(buffer, 10), 0);
}

TEST(PackedStream, ZeroLengthReadChangesNothing) {
  PackedFixture f(Counting(100));
  InflateStream stream(*f.file, 7, 100, static_cast<std::int64_t>(f.packed.size()));
  std::uint8_t buffer[100];
  EXPECT_EQ(stream.Read(buffer, 0), 0);
  EXPECT_EQ(stream.Size(), 100);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(f.file->Position(), 7);
  EXPECT_EQ(stream.Read(buffer, 40), 40);
  EXPECT_EQ(stream.Read(buffer, 0), 0);
  EXPECT_EQ(stream.Size(), 100);
  EXPECT_FALSE(stream.AtEnd());
  EXPECT_EQ(stream.Read(buffer, 60), 60);
  EXPECT_TRUE(stream.AtEnd());
}

TEST(PackedStream, CutShortMarksItselfAtEndAtTheFirstEmptyRead) {
  PackedFixture f(Counting(200000), 150000);
  InflateStream stream(*f.file, 7, 200000, static_cast<std::int64_t>(f.packed.size()));
  std::uint8_t buffer[4096];
  std::int64_t total = 0;
  std::int32_t got;
  while ((got = stream.Read(buffer, sizeof buffer)) > 0) {
    EXPECT_FALSE(stream.AtEnd());
    total += got;
  }
  EXPECT_GT(total, 0);
  EXPECT_LT(total, 200000);
  EXPECT_TRUE(stream.AtEnd());
  EXPECT_EQ(stream.Size(), total);
  EXPECT_EQ(stream.Position(), total);
}

TEST(PackedStream, CorruptOrMissingDataDeliversNothing) {
  MemoryFile garbage(sw::Bytes(50, 0x5A));
  InflateStream corrupt(garbage, 0, 1000, 50);
  std::uint8_t buffer[16];
  EXPECT_EQ(corrupt.Read(buffer, 16), 0);
  EXPECT_TRUE(corrupt.AtEnd());
  EXPECT_EQ(corrupt.Size(), 0);

  PackedFixture f(Counting(100));
  InflateStream none(*f.file, 7, 100, -5);  // a block that ends before it starts
  EXPECT_EQ(none.Read(buffer, 16), 0);
  EXPECT_TRUE(none.AtEnd());

  InflateStream negative = f.Open(-1);  // nothing promised: nothing delivered
  EXPECT_TRUE(negative.AtEnd());
  EXPECT_EQ(negative.Read(buffer, 16), 0);
}

TEST(PackedStream, ReadsAreNotCutToThePromisedSize) {
  PackedFixture f(Counting(100));
  InflateStream stream = f.Open(10);
  std::uint8_t buffer[100];
  EXPECT_EQ(stream.Read(buffer, 60), 60);
  EXPECT_TRUE(stream.AtEnd());
  EXPECT_EQ(stream.Read(buffer, 10), 0);
  EXPECT_TRUE(std::equal(buffer, buffer + 60, f.content.begin()));
}

}  // namespace
}  // namespace morvane
