// Throughput of the frame data encoders on a 256 x 256 frame, in pixel bytes per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "gif/lzw_encoder.h"
#include "gif/run_length_encoder.h"

namespace {

using morvane::gif::ByteSink;

constexpr int kSize = 256;

// Every pixel drawn at random from 256 colours: no runs, short LZW strings.
std::vector<std::uint8_t> NoiseFrame() {
  std::mt19937 rng(1);
  std::vector<std::uint8_t> pixels(kSize * kSize);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(rng());
  return pixels;
}

// A sprite-like frame: a flat background, a few flat shapes and a noisy, dithered-looking patch.
std::vector<std::uint8_t> StructuredFrame() {
  std::mt19937 rng(2);
  std::vector<std::uint8_t> pixels(kSize * kSize, 0);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      std::uint8_t& p = pixels[static_cast<std::size_t>(y) * kSize + x];
      const int dx = x - 128, dy = y - 128;
      if (dx * dx + dy * dy < 70 * 70) p = static_cast<std::uint8_t>(10 + (y / 16));
      if (x > 40 && x < 90 && y > 160 && y < 240) p = 200;
      if (x > 150 && x < 220 && y > 20 && y < 80) p = static_cast<std::uint8_t>(64 + rng() % 8);
    }
  }
  return pixels;
}

template <typename Encoder>
void Encode(benchmark::State& state, const std::vector<std::uint8_t>& pixels) {
  ByteSink out;
  out.reserve(pixels.size() * 2);
  for (auto _ : state) {
    out.clear();
    Encoder::EncodeFrame(out, 8, 256, pixels.data(), kSize, kSize);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(pixels.size()));
  state.counters["ratio"] = static_cast<double>(out.size()) / static_cast<double>(pixels.size());
}

void BM_LzwNoise(benchmark::State& state) {
  Encode<morvane::gif::LzwEncoder>(state, NoiseFrame());
}
void BM_LzwStructured(benchmark::State& state) {
  Encode<morvane::gif::LzwEncoder>(state, StructuredFrame());
}
void BM_RunLengthNoise(benchmark::State& state) {
  Encode<morvane::gif::RunLengthEncoder>(state, NoiseFrame());
}
void BM_RunLengthStructured(benchmark::State& state) {
  Encode<morvane::gif::RunLengthEncoder>(state, StructuredFrame());
}

BENCHMARK(BM_LzwNoise);
BENCHMARK(BM_LzwStructured);
BENCHMARK(BM_RunLengthNoise);
BENCHMARK(BM_RunLengthStructured);

}  // namespace
