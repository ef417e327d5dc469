// The PNG writer of stb_image_write, its deflate replaced by zlib's.
#include <zlib.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <new>

#include "core/errors.h"
#include "rgba/png_backends.h"

namespace morvane::rgba::png_detail {
namespace {

// stb_image_write's compressor hook: data_len bytes of filtered rows to a zlib stream in memory
// from malloc, which stb_image_write frees. Returns nullptr when memory runs out (stb then
// fails the image). quality is stb's own level setting, which kPngCompression replaces.
unsigned char* CompressForStb(unsigned char* data, int data_len, int* out_len, int /*quality*/) {
  z_stream stream{};
  if (deflateInit2(&stream, kPngCompression.zlib_level, Z_DEFLATED, MAX_WBITS,
                   kPngCompression.zlib_mem_level, kPngCompression.zlib_strategy) != Z_OK)
    return nullptr;
  struct StreamEnd {
    z_stream* stream;
    ~StreamEnd() { deflateEnd(stream); }
  } stream_end{&stream};

  const uLong bound = deflateBound(&stream, static_cast<uLong>(data_len));
  if (bound > static_cast<uLong>(INT_MAX)) return nullptr;
  std::unique_ptr<unsigned char, decltype(&std::free)> out(
      static_cast<unsigned char*>(std::malloc(bound)), &std::free);
  if (!out) return nullptr;
  stream.next_in = data;
  stream.avail_in = static_cast<uInt>(data_len);
  stream.next_out = out.get();
  stream.avail_out = static_cast<uInt>(bound);
  // deflateBound leaves room for the whole stream, so one call finishes it.
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) return nullptr;
  *out_len = static_cast<int>(stream.total_out);
  return out.release();
}

}  // namespace
}  // namespace morvane::rgba::png_detail

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STBIW_ZLIB_COMPRESS morvane::rgba::png_detail::CompressForStb
#include <stb_image_write.h>

namespace morvane::rgba::png_detail {

std::vector<std::uint8_t> EncodeWithStb(const RgbaFrameView& frame) {
  // stb_image_write counts the filtered image, a filter byte and 4 bytes a pixel per row, in int.
  const std::int64_t filtered_bytes =
      (std::int64_t{frame.width} * 4 + 1) * std::int64_t{frame.height};
  if (filtered_bytes > INT_MAX) throw Error("Image too large for PNG");

  int size = 0;
  const std::unique_ptr<unsigned char, decltype(&std::free)> png(
      stbi_write_png_to_mem(reinterpret_cast<const unsigned char*>(frame.pixels.data()),
                            frame.width * 4, frame.width, frame.height, 4, &size),
      &std::free);
  // Its only failures are allocations and the compressor's, which fails for memory alone.
  if (!png) throw std::bad_alloc();
  return std::vector<std::uint8_t>(png.get(), png.get() + size);
}

}  // namespace morvane::rgba::png_detail
