// The PNG writer over libdeflate: whole images, every row filtered Up and the image data
// compressed in one call. On the measuring sprite's 32 east frames (filtered Up, 8.4 MB)
// libdeflate's fastest level took 63 to 70 ms for 1,789,537 bytes where zlib's took 112 to 140
// ms for 2,029,364.
#include <libdeflate.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "core/errors.h"
#include "rgba/png_backends.h"

namespace morvane::rgba::png_detail {
namespace {

constexpr int kLibdeflateLevel = 1;
constexpr std::uint8_t kFilterUpByte = 2;

struct CompressorFree {
  void operator()(libdeflate_compressor* compressor) const {
    libdeflate_free_compressor(compressor);
  }
};

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A chunk: its length, type and data, then the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::uint8_t* data,
              std::size_t size) {
  PutBigEndian(out, static_cast<std::uint32_t>(size));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data, data + size);
  const uLong crc = crc32(0L, out.data() + type_at, static_cast<uInt>(out.size() - type_at));
  PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> EncodeWithLibdeflate(const RgbaFrameView& frame) {
  const auto width = static_cast<std::size_t>(frame.width);
  const auto height = static_cast<std::size_t>(frame.height);
  const std::size_t stride = 4 * width;
  // A chunk's length is 31 bits; no canvas the converter draws comes near.
  if (height * (stride + 1) > 0x7FFFFFFFu / 2) throw Error("Image too large for PNG");

  // Filter Up: each byte less the byte above it (zero above the top row).
  std::vector<std::uint8_t> filtered(height * (stride + 1));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.pixels.data());
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* out = filtered.data() + y * (stride + 1);
    const std::uint8_t* row = bytes + y * stride;
    out[0] = kFilterUpByte;
    if (y == 0) {
      std::memcpy(out + 1, row, stride);
    } else {
      const std::uint8_t* above = row - stride;
      for (std::size_t i = 0; i < stride; ++i)
        out[1 + i] = static_cast<std::uint8_t>(row[i] - above[i]);
    }
  }

  const std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
      libdeflate_alloc_compressor(kLibdeflateLevel));
  if (compressor == nullptr) throw std::bad_alloc();
  std::vector<std::uint8_t> compressed(
      libdeflate_zlib_compress_bound(compressor.get(), filtered.size()));
  const std::size_t compressed_size = libdeflate_zlib_compress(
      compressor.get(), filtered.data(), filtered.size(), compressed.data(), compressed.size());
  if (compressed_size == 0) throw Error("PNG encoding failed");  // the bound was too small
  filtered = {};

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.reserve(png.size() + compressed_size + 64);
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(frame.width));
  PutBigEndian(header, static_cast<std::uint32_t>(frame.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive, no interlace
  PutChunk(png, "IHDR", header.data(), header.size());
  PutChunk(png, "IDAT", compressed.data(), compressed_size);
  PutChunk(png, "IEND", nullptr, 0);
  return png;
}

}  // namespace morvane::rgba::png_detail
