// The two PNG writers behind png_encoder.h, with the compression they are given. Only
// png_encoder.cpp, the tests and the benchmarks include this header.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "rgba/png_encoder.h"

namespace morvane::rgba::png_detail {

// The row filters libspng may choose among, in its own bit values (it picks, per row, the one
// whose filtered bytes have the least sum of magnitudes). stb_image_write always chooses among
// all five the same way.
inline constexpr int kFilterNone = 8;
inline constexpr int kFilterSub = 16;
inline constexpr int kFilterUp = 32;
inline constexpr int kFilterAverage = 64;
inline constexpr int kFilterPaeth = 128;
inline constexpr int kFilterAll =
    kFilterNone | kFilterSub | kFilterUp | kFilterAverage | kFilterPaeth;

struct PngCompression {
  int zlib_level = 0;     // 0 to 9
  int zlib_strategy = 0;  // Z_DEFAULT_STRATEGY (0), Z_FILTERED (1), Z_HUFFMAN_ONLY (2), Z_RLE (3)
  int zlib_mem_level = 8;
  int filters = kFilterAll;  // libspng only
};

// What the converter writes with: zlib's fastest level and row filter Up.
inline constexpr PngCompression kPngCompression{
    .zlib_level = 1, .zlib_strategy = 0, .zlib_mem_level = 8, .filters = kFilterUp};

// Whole images. The frame is checked by the caller (sides at least 1, width x height pixels).
std::vector<std::uint8_t> EncodeWithSpng(const RgbaFrameView& frame,
                                         const PngCompression& compression);
// stb_image_write hands its filtered rows to zlib through a hook that takes no settings of
// ours, so it always compresses with kPngCompression's zlib level and strategy.
std::vector<std::uint8_t> EncodeWithStb(const RgbaFrameView& frame);

// Row by row; sides checked by the caller.
std::unique_ptr<PngRowEncoder::Backend> MakeSpngRowBackend(std::int32_t width, std::int32_t height,
                                                           const PngCompression& compression);
std::unique_ptr<PngRowEncoder::Backend> MakeStbRowBackend(std::int32_t width, std::int32_t height);

}  // namespace morvane::rgba::png_detail
