// Test helpers for frame data: split the sub-blocks, read the code stream the way a decoder
// does, wrap frame data into a GIF for giflib, and make test pixels.
#pragma once

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "gif/frame_encoder.h"
#include "support/giflib_reader.h"

namespace morvane::gif::encoder_test {

using Bytes = std::vector<std::uint8_t>;

// Frame data split into its parts: minimum code size byte, sub-blocks, terminator.
struct FrameData {
  int min_code_size = 0;
  std::vector<int> block_lengths;
  Bytes data;               // the blocks' bytes, concatenated
  bool terminated = false;  // a zero block closed the data
  std::size_t size = 0;     // bytes taken from the input
};

inline FrameData SplitBlocks(const Bytes& bytes, std::size_t pos = 0) {
  FrameData frame;
  const std::size_t start = pos;
  if (pos >= bytes.size()) throw std::runtime_error("no minimum code size byte");
  frame.min_code_size = bytes[pos++];
  while (pos < bytes.size()) {
    const int length = bytes[pos++];
    if (length == 0) {
      frame.terminated = true;
      break;
    }
    if (pos + static_cast<std::size_t>(length) > bytes.size())
      throw std::runtime_error("sub-block runs past the data");
    frame.block_lengths.push_back(length);
    frame.data.insert(frame.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + length));
    pos += static_cast<std::size_t>(length);
  }
  frame.size = pos - start;
  return frame;
}

// One code of the stream and the width it was read with.
struct Code {
  int value;
  int width;
};

// Reads LSB-first codes the way a GIF decoder does: after each code the decoder's next table
// slot advances and the width grows when that slot no longer fits, up to 12 bits; a clear code
// starts over. Stops after the end code or when the bits run out.
inline std::vector<Code> ReadCodes(int min_code_size, const Bytes& data) {
  const int clear = 1 << min_code_size;
  const int end = clear + 1;
  int width = min_code_size + 1;
  int running = clear + 2;
  int max_code = 1 << width;
  std::vector<Code> codes;
  std::uint64_t buffer = 0;
  int bits = 0;
  std::size_t pos = 0;
  for (;;) {
    while (bits < width && pos < data.size()) {
      buffer |= std::uint64_t{data[pos++]} << bits;
      bits += 8;
    }
    if (bits < width) break;
    const int code = static_cast<int>(buffer & ((1u << width) - 1));
    codes.push_back({code, width});
    buffer >>= width;
    bits -= width;
    if (code == end) break;
    if (running < 4097 && ++running > max_code && width < 12) {
      max_code <<= 1;
      ++width;
    }
    if (code == clear) {
      width = min_code_size + 1;
      running = clear + 2;
      max_code = 1 << width;
    }
  }
  return codes;
}

inline std::vector<int> CodeValues(const std::vector<Code>& codes) {
  std::vector<int> values;
  for (const Code& code : codes) values.push_back(code.value);
  return values;
}

constexpr FrameCompression kLzw = FrameCompression::kLzw;
constexpr FrameCompression kRunLength = FrameCompression::kRunLength;

inline const char* CompressionName(FrameCompression compression) {
  return compression == kLzw ? "Lzw" : "RunLength";
}

inline Bytes Encode(FrameCompression compression, int code_bits, int colours, const Bytes& pixels,
                    int width, int height) {
  Bytes out;
  EncodeFrame(out, compression, code_bits, colours, pixels.empty() ? nullptr : pixels.data(), width,
              height);
  return out;
}

// A minimal GIF around one frame's data: a grey global table of 2^code_bits entries and one
// image descriptor at 0,0.
inline Bytes WrapFrame(const Bytes& frame_data, int width, int height, int code_bits) {
  const int bits = code_bits < 1 ? 1 : code_bits;
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  auto le16 = [&gif](int v) {
    gif.push_back(static_cast<std::uint8_t>(v));
    gif.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  le16(width);
  le16(height);
  gif.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1)));
  gif.push_back(0);
  gif.push_back(0);
  for (int i = 0; i < (1 << bits); ++i)
    for (int c = 0; c < 3; ++c) gif.push_back(static_cast<std::uint8_t>(i));
  gif.push_back(0x2C);
  le16(0);
  le16(0);
  le16(width);
  le16(height);
  gif.push_back(0x00);
  gif.insert(gif.end(), frame_data.begin(), frame_data.end());
  gif.push_back(0x3B);
  return gif;
}

// Encodes with the compression and decodes with giflib; returns the decoded indices.
inline Bytes RoundTrip(FrameCompression compression, int code_bits, int colours,
                       const Bytes& pixels, int width, int height) {
  const Bytes data = Encode(compression, code_bits, colours, pixels, width, height);
  const testing::DecodedGif gif = testing::DecodeGif(WrapFrame(data, width, height, code_bits));
  if (gif.frames.size() != 1) throw std::runtime_error("expected one frame");
  return gif.frames[0].indices;
}

// Deterministic test pixels (std::mt19937's sequence is fixed by the standard).
inline Bytes Noise(std::size_t count, int colours, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes pixels(count);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colours));
  return pixels;
}

// Runs of random lengths in 1..longest, each of a colour other than the one before.
inline Bytes RandomRuns(std::size_t count, int colours, int longest, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes pixels;
  pixels.reserve(count);
  int colour = 0;
  while (pixels.size() < count) {
    const int next = static_cast<int>(rng() % static_cast<unsigned>(colours));
    colour = colours > 1 && next == colour ? (next + 1) % colours : next;
    const std::size_t run = 1 + rng() % static_cast<unsigned>(longest);
    for (std::size_t i = 0; i < run && pixels.size() < count; ++i)
      pixels.push_back(static_cast<std::uint8_t>(colour));
  }
  return pixels;
}

}  // namespace morvane::gif::encoder_test
