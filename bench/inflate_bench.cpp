// Inflating the packed image data of the measuring sprite (tools/benchsprite), all eight
// directions: whole in one call, as a block that states its size is read, and piece by piece,
// as a block without a usable stated size is. Both deliver the same bytes, 64 KiB per read as
// the image-data reader asks for them; the rate is in unpacked bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "benchsprite/benchsprite.h"
#include "platform/file.h"
#include "sprite/readers.h"
#include "sprwriter/sprwriter.h"

namespace {

using namespace morvane;

// The measuring sprite in memory and where its one packed block lies.
struct PackedBlock {
  explicit PackedBlock(sprwriter::Layout layout = {})
      : file(sprwriter::WriteSprite(benchsprite::LargeSprite(benchsprite::Shape{}), &layout)),
        start(layout.image_data.at(0)),
        packed_size(file.Size() - start),
        unpacked_size(layout.image_data_sizes.at(0)) {}

  MemoryFile file;
  std::int64_t start;
  std::int64_t packed_size;  // the block runs to the end of the file
  std::int64_t unpacked_size;
};

PackedBlock& Block() {
  static PackedBlock block;
  return block;
}

void Inflate(benchmark::State& state, std::int64_t stated_size) {
  PackedBlock& block = Block();
  std::vector<std::uint8_t> buffer(65536);
  bool whole = false;
  for (auto _ : state) {
    InflateStream stream(block.file, block.start, block.packed_size, stated_size);
    std::int64_t total = 0;
    while (const std::int64_t got =
               stream.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()))) {
      total += got;
    }
    whole = stream.InflatedWhole();
    if (total != block.unpacked_size) state.SkipWithError("the stream delivered another size");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * block.unpacked_size);
  state.counters["whole"] = whole ? 1 : 0;
}

void BM_InflateWhole(benchmark::State& state) {
  Inflate(state, Block().unpacked_size);
}
BENCHMARK(BM_InflateWhole)->Unit(benchmark::kMillisecond);

void BM_InflatePieces(benchmark::State& state) {
  Inflate(state, InflateStream::kNoStatedSize);
}
BENCHMARK(BM_InflatePieces)->Unit(benchmark::kMillisecond);

}  // namespace
