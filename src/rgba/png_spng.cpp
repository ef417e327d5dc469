// The PNG writer of libspng, over zlib.
#include <spng.h>

#include <new>
#include <string>
#include <utility>

#include "core/errors.h"
#include "rgba/png_backends.h"

namespace morvane::rgba::png_detail {
namespace {

static_assert(kFilterNone == SPNG_FILTER_CHOICE_NONE && kFilterSub == SPNG_FILTER_CHOICE_SUB &&
              kFilterUp == SPNG_FILTER_CHOICE_UP && kFilterAverage == SPNG_FILTER_CHOICE_AVG &&
              kFilterPaeth == SPNG_FILTER_CHOICE_PAETH && kFilterAll == SPNG_FILTER_CHOICE_ALL);

// An encoder context that writes the file into bytes_ as libspng produces it.
class SpngEncoder {
 public:
  SpngEncoder(std::int32_t width, std::int32_t height, const PngCompression& compression)
      : ctx_(spng_ctx_new(SPNG_CTX_ENCODER)) {
    if (ctx_ == nullptr) throw std::bad_alloc();
    Check(spng_set_png_stream(ctx_.get(), &SpngEncoder::Append, this));
    Check(spng_set_option(ctx_.get(), SPNG_IMG_COMPRESSION_LEVEL, compression.zlib_level));
    Check(spng_set_option(ctx_.get(), SPNG_IMG_COMPRESSION_STRATEGY, compression.zlib_strategy));
    Check(spng_set_option(ctx_.get(), SPNG_IMG_MEM_LEVEL, compression.zlib_mem_level));
    Check(spng_set_option(ctx_.get(), SPNG_FILTER_CHOICE, compression.filters));
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(width);
    ihdr.height = static_cast<std::uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    Check(spng_set_ihdr(ctx_.get(), &ihdr));
  }
  // libspng keeps a pointer to this object for its writes.
  SpngEncoder(const SpngEncoder&) = delete;
  SpngEncoder& operator=(const SpngEncoder&) = delete;

  void EncodeWhole(const RgbaFrameView& frame) {
    Check(spng_encode_image(ctx_.get(), frame.pixels.data(), frame.pixels.size_bytes(),
                            SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));
  }
  void StartRows() {
    Check(spng_encode_image(ctx_.get(), nullptr, 0, SPNG_FMT_PNG,
                            SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
  }
  // After the last row the file is finished (SPNG_ENCODE_FINALIZE): libspng answers it with
  // SPNG_EOI.
  void AddRow(std::span<const RgbaPixel> row) {
    const int status = spng_encode_row(ctx_.get(), row.data(), row.size_bytes());
    if (status != SPNG_EOI) Check(status);
  }
  std::vector<std::uint8_t> TakeBytes() { return std::exchange(bytes_, {}); }

 private:
  struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
  };

  static int Append(spng_ctx* /*ctx*/, void* user, void* data, std::size_t length) {
    auto* self = static_cast<SpngEncoder*>(user);
    try {
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      self->bytes_.insert(self->bytes_.end(), bytes, bytes + length);
      return 0;
    } catch (const std::bad_alloc&) {
      self->out_of_memory_ = true;
      return SPNG_IO_ERROR;
    }
  }

  void Check(int status) const {
    if (status == 0) return;
    if (status == SPNG_EMEM || out_of_memory_) throw std::bad_alloc();
    throw Error(std::string("PNG encoding failed: ") + spng_strerror(status));
  }

  std::unique_ptr<spng_ctx, ContextFree> ctx_;
  std::vector<std::uint8_t> bytes_;
  bool out_of_memory_ = false;
};

class SpngRowBackend final : public PngRowEncoder::Backend {
 public:
  SpngRowBackend(std::int32_t width, std::int32_t height, const PngCompression& compression)
      : encoder_(width, height, compression) {
    encoder_.StartRows();
  }
  void AddRow(std::span<const RgbaPixel> row) override { encoder_.AddRow(row); }
  std::vector<std::uint8_t> TakeBytes() override { return encoder_.TakeBytes(); }
  std::vector<std::uint8_t> Finish() override { return encoder_.TakeBytes(); }

 private:
  SpngEncoder encoder_;
};

}  // namespace

std::vector<std::uint8_t> EncodeWithSpng(const RgbaFrameView& frame,
                                         const PngCompression& compression) {
  SpngEncoder encoder(frame.width, frame.height, compression);
  encoder.EncodeWhole(frame);
  return encoder.TakeBytes();
}

std::unique_ptr<PngRowEncoder::Backend> MakeSpngRowBackend(std::int32_t width, std::int32_t height,
                                                           const PngCompression& compression) {
  return std::make_unique<SpngRowBackend>(width, height, compression);
}

}  // namespace morvane::rgba::png_detail
