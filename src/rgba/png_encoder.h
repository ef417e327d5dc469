// 8-bit RGBA PNG files made in memory, whole or row by row.
//
// Two writers make them. libspng (over zlib) is the one on Linux; stb_image_write with zlib as
// its compressor builds anywhere zlib does and is the one for Windows. The build picks the
// default (MORVANE_PNG_WRITER); the other one, when built, serves tests and benchmarks. Both
// write the same pixels, compressed at the zlib settings of png_backends.h, but not the same
// bytes (their row filters differ).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "rgba/rgba_frame.h"

namespace morvane::rgba {

enum class PngWriter { kSpng, kStb, kLibdeflate };

// The writer of files written row by row, such as the sheet: libspng compresses each row as it
// comes, where stb and libdeflate hold the whole image until the last row.
inline constexpr PngWriter kDefaultRowPngWriter =
    MORVANE_RGBA_PNG_STB_DEFAULT ? PngWriter::kStb : PngWriter::kSpng;
// The writer of whole images: libdeflate where it is built (its fastest level takes half the
// time of zlib's), else the row writer.
inline constexpr PngWriter kDefaultPngWriter =
    MORVANE_RGBA_HAVE_LIBDEFLATE ? PngWriter::kLibdeflate : kDefaultRowPngWriter;

// True when this build holds the writer (stb always; libspng and libdeflate where found).
bool PngWriterAvailable(PngWriter writer);

// The PNG file of one frame: 8-bit RGBA, not interlaced, no chunks but IHDR, IDAT and IEND.
// The frame must hold width x height pixels, each side at least 1 (std::invalid_argument
// otherwise). Raises Error "Image too large for PNG" for a frame the writer cannot take (with
// stb, more than 2^31 filtered bytes; no canvas the converter draws comes near) and
// std::bad_alloc when memory runs out.
std::vector<std::uint8_t> EncodePng(const RgbaFrameView& frame,
                                    PngWriter writer = kDefaultPngWriter);

// A PNG file of width x height given one row of pixels at a time, top row first. With libspng
// each row is filtered and compressed as it comes: the writer holds zlib's state (about 256 KiB),
// two rows and the compressed bytes not taken yet. With stb the rows are gathered and compressed
// once the last one is there: it holds the whole image twice (as pixels and filtered) besides the
// compressed bytes.
class PngRowEncoder {
 public:
  // Sides of at least 1; errors as EncodePng.
  PngRowEncoder(std::int32_t width, std::int32_t height, PngWriter writer = kDefaultRowPngWriter);
  ~PngRowEncoder();
  PngRowEncoder(PngRowEncoder&&) noexcept;
  PngRowEncoder& operator=(PngRowEncoder&&) noexcept;

  // The next row: exactly width pixels (std::invalid_argument otherwise, and for a row after
  // the last).
  void AddRow(std::span<const RgbaPixel> row);
  // The bytes of the file made so far and not taken yet: the file is what TakeBytes hands out,
  // in order, followed by what Finish returns. With stb nothing comes before Finish.
  std::vector<std::uint8_t> TakeBytes();
  // The file, or its rest after TakeBytes; every row must have been added (std::logic_error
  // otherwise). The encoder is spent afterwards.
  std::vector<std::uint8_t> Finish();

  // The interface of each writer's row coder.
  class Backend {
   public:
    virtual ~Backend() = default;
    virtual void AddRow(std::span<const RgbaPixel> row) = 0;
    virtual std::vector<std::uint8_t> TakeBytes() { return {}; }
    virtual std::vector<std::uint8_t> Finish() = 0;
  };

 private:
  std::unique_ptr<Backend> backend_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t rows_added_ = 0;
};

}  // namespace morvane::rgba
