#include "rgba/png_encoder.h"

#include <stdexcept>

#include "rgba/png_backends.h"

namespace morvane::rgba {
namespace {

void CheckSides(std::int64_t width, std::int64_t height) {
  if (width < 1 || height < 1) throw std::invalid_argument("PNG sides must be at least 1");
}

void CheckAvailable(PngWriter writer) {
  if (!PngWriterAvailable(writer)) throw std::invalid_argument("this build lacks that PNG writer");
}

}  // namespace

namespace png_detail {
namespace {

class GatheringRowBackend final : public PngRowEncoder::Backend {
 public:
  GatheringRowBackend(std::int32_t width, std::int32_t height, WholeImageEncoder encode)
      : width_(width), height_(height), encode_(encode) {
    pixels_.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  }
  void AddRow(std::span<const RgbaPixel> row) override {
    pixels_.insert(pixels_.end(), row.begin(), row.end());
  }
  std::vector<std::uint8_t> Finish() override {
    std::vector<std::uint8_t> png = encode_(RgbaFrameView{pixels_, width_, height_});
    pixels_ = {};
    return png;
  }

 private:
  std::int32_t width_;
  std::int32_t height_;
  WholeImageEncoder encode_;
  std::vector<RgbaPixel> pixels_;
};

}  // namespace

std::unique_ptr<PngRowEncoder::Backend> MakeGatheringRowBackend(std::int32_t width,
                                                                std::int32_t height,
                                                                WholeImageEncoder encode) {
  return std::make_unique<GatheringRowBackend>(width, height, encode);
}

}  // namespace png_detail

bool PngWriterAvailable(PngWriter writer) {
  switch (writer) {
    case PngWriter::kSpng:
      return MORVANE_RGBA_HAVE_SPNG;
    case PngWriter::kLibdeflate:
      return MORVANE_RGBA_HAVE_LIBDEFLATE;
    case PngWriter::kStb:
      break;
  }
  return true;
}

std::vector<std::uint8_t> EncodePng(const RgbaFrameView& frame, PngWriter writer) {
  CheckSides(frame.width, frame.height);
  if (frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height)
    throw std::invalid_argument("a frame must hold width x height pixels");
  CheckAvailable(writer);
#if MORVANE_RGBA_HAVE_LIBDEFLATE
  if (writer == PngWriter::kLibdeflate) return png_detail::EncodeWithLibdeflate(frame);
#endif
#if MORVANE_RGBA_HAVE_SPNG
  if (writer == PngWriter::kSpng)
    return png_detail::EncodeWithSpng(frame, png_detail::kPngCompression);
#endif
  return png_detail::EncodeWithStb(frame);
}

PngRowEncoder::PngRowEncoder(std::int32_t width, std::int32_t height, PngWriter writer)
    : width_(width), height_(height) {
  CheckSides(width, height);
  CheckAvailable(writer);
#if MORVANE_RGBA_HAVE_LIBDEFLATE
  if (writer == PngWriter::kLibdeflate) {
    backend_ = png_detail::MakeGatheringRowBackend(width, height, png_detail::EncodeWithLibdeflate);
    return;
  }
#endif
#if MORVANE_RGBA_HAVE_SPNG
  if (writer == PngWriter::kSpng) {
    backend_ = png_detail::MakeSpngRowBackend(width, height, png_detail::kPngCompression);
    return;
  }
#endif
  backend_ = png_detail::MakeGatheringRowBackend(width, height, png_detail::EncodeWithStb);
}

PngRowEncoder::~PngRowEncoder() = default;
PngRowEncoder::PngRowEncoder(PngRowEncoder&&) noexcept = default;
PngRowEncoder& PngRowEncoder::operator=(PngRowEncoder&&) noexcept = default;

void PngRowEncoder::AddRow(std::span<const RgbaPixel> row) {
  if (backend_ == nullptr) throw std::logic_error("PNG row encoder used after Finish");
  if (row.size() != static_cast<std::size_t>(width_))
    throw std::invalid_argument("a PNG row must hold the image's width in pixels");
  if (rows_added_ == height_) throw std::invalid_argument("more PNG rows than the image's height");
  backend_->AddRow(row);
  ++rows_added_;
}

std::vector<std::uint8_t> PngRowEncoder::TakeBytes() {
  if (backend_ == nullptr) throw std::logic_error("PNG row encoder used after Finish");
  return backend_->TakeBytes();
}

std::vector<std::uint8_t> PngRowEncoder::Finish() {
  if (backend_ == nullptr) throw std::logic_error("PNG row encoder used after Finish");
  if (rows_added_ != height_) throw std::logic_error("PNG finished before its last row");
  std::vector<std::uint8_t> png = backend_->Finish();
  backend_.reset();
  return png;
}

}  // namespace morvane::rgba
