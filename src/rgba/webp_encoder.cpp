#include "rgba/webp_encoder.h"

#include <climits>
#include <new>
#include <stdexcept>
#include <string>

#include "core/errors.h"

#if MORVANE_RGBA_HAVE_WEBP
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace morvane::rgba {
void CheckWebpSize(std::int64_t width, std::int64_t height) {
  if (width > kMaxWebpSide || height > kMaxWebpSide) throw Error("Image too large for WebP");
}

#if MORVANE_RGBA_HAVE_WEBP

struct AnimatedWebpEncoder::State {
  struct EncoderDelete {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
  };

  std::unique_ptr<WebPAnimEncoder, EncoderDelete> encoder;
  WebPConfig config{};
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t frame_duration_ms = 0;
  std::int64_t frames = 0;

  // Where the next frame starts, in milliseconds; libwebp takes it as an int.
  std::int64_t NextTimestamp() const { return frames * frame_duration_ms; }

  [[noreturn]] void Fail() const {
    throw Error(std::string("WebP encoding failed: ") + WebPAnimEncoderGetError(encoder.get()));
  }
};

namespace {

// The longest frame a WebP animation stores (24 bits of milliseconds).
constexpr std::int32_t kMaxFrameDurationMs = (1 << 24) - 1;

void CheckFrame(const RgbaFrameView& frame, std::int32_t width, std::int32_t height) {
  if (frame.width != width || frame.height != height ||
      frame.pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::invalid_argument("a WebP frame must hold the canvas's width x height pixels");
}

// A picture holding one frame's pixels as libwebp's ARGB, freed with the object.
class ArgbPicture {
 public:
  explicit ArgbPicture(const RgbaFrameView& frame) {
    if (!WebPPictureInit(&picture_)) throw Error("WebP encoding failed: library version");
    picture_.use_argb = 1;
    picture_.width = frame.width;
    picture_.height = frame.height;
    // The pixels' bytes are R, G, B, A in memory (see rgba_frame.h); importing fails only for
    // want of memory.
    if (!WebPPictureImportRGBA(
            &picture_, reinterpret_cast<const std::uint8_t*>(frame.pixels.data()), frame.width * 4))
      throw std::bad_alloc();
  }
  ~ArgbPicture() { WebPPictureFree(&picture_); }
  ArgbPicture(const ArgbPicture&) = delete;
  ArgbPicture& operator=(const ArgbPicture&) = delete;

  WebPPicture* Get() { return &picture_; }

 private:
  WebPPicture picture_{};
};

}  // namespace

AnimatedWebpEncoder::AnimatedWebpEncoder(std::int32_t width, std::int32_t height,
                                         std::int32_t frame_duration_ms,
                                         const WebpSettings& settings)
    : state_(std::make_unique<State>()) {
  if (width < 1 || height < 1) throw std::invalid_argument("WebP sides must be at least 1");
  CheckWebpSize(width, height);
  if (frame_duration_ms < 1 || frame_duration_ms > kMaxFrameDurationMs)
    throw std::invalid_argument("a WebP frame lasts 1 to 16777215 ms");
  state_->width = width;
  state_->height = height;
  state_->frame_duration_ms = frame_duration_ms;

  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&state_->config))
    throw Error("WebP encoding failed: library version");
  options.anim_params.loop_count = 0;  // for ever
  options.anim_params.bgcolor = 0;     // transparent, as the frames' canvas starts
  options.minimize_size = 0;
  options.allow_mixed = 0;
  options.kmin = settings.min_keyframe_distance;
  options.kmax = settings.max_keyframe_distance;

  WebPConfig& config = state_->config;
  config.lossless = 1;
  config.exact = 1;  // keep red, green and blue under alpha 0
  config.method = settings.method;
  config.quality = settings.quality;
  // The converter spreads its own work over the cores.
  config.thread_level = 0;
  if (!WebPValidateConfig(&config)) throw std::invalid_argument("bad WebP settings");

  state_->encoder.reset(WebPAnimEncoderNew(width, height, &options));
  if (state_->encoder == nullptr) throw std::bad_alloc();
}

AnimatedWebpEncoder::~AnimatedWebpEncoder() = default;
AnimatedWebpEncoder::AnimatedWebpEncoder(AnimatedWebpEncoder&&) noexcept = default;
AnimatedWebpEncoder& AnimatedWebpEncoder::operator=(AnimatedWebpEncoder&&) noexcept = default;

void AnimatedWebpEncoder::AddFrame(const RgbaFrameView& frame) {
  if (state_ == nullptr) throw std::logic_error("WebP encoder used after Finish");
  CheckFrame(frame, state_->width, state_->height);
  // The frame ends where the next one starts; that time must fit libwebp's int too.
  if (state_->NextTimestamp() + state_->frame_duration_ms > INT_MAX)
    throw Error("Animation too long for WebP");
  ArgbPicture picture(frame);
  if (!WebPAnimEncoderAdd(state_->encoder.get(), picture.Get(),
                          static_cast<int>(state_->NextTimestamp()), &state_->config)) {
    if (picture.Get()->error_code == VP8_ENC_ERROR_OUT_OF_MEMORY) throw std::bad_alloc();
    state_->Fail();
  }
  ++state_->frames;
}

std::vector<std::uint8_t> AnimatedWebpEncoder::Finish() {
  if (state_ == nullptr) throw std::logic_error("WebP encoder used after Finish");
  if (state_->frames == 0) throw std::logic_error("a WebP needs at least one frame");
  // A last call without a picture gives the last frame its duration.
  if (!WebPAnimEncoderAdd(state_->encoder.get(), nullptr, static_cast<int>(state_->NextTimestamp()),
                          nullptr))
    state_->Fail();
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(state_->encoder.get(), &data)) state_->Fail();
  struct DataClear {
    WebPData* data;
    ~DataClear() { WebPDataClear(data); }
  } clear{&data};
  std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
  state_.reset();
  return bytes;
}

#else  // no libwebp in this build

struct AnimatedWebpEncoder::State {};

AnimatedWebpEncoder::AnimatedWebpEncoder(std::int32_t, std::int32_t, std::int32_t,
                                         const WebpSettings&) {
  throw Error("WebP output is not available in this build");
}
AnimatedWebpEncoder::~AnimatedWebpEncoder() = default;
AnimatedWebpEncoder::AnimatedWebpEncoder(AnimatedWebpEncoder&&) noexcept = default;
AnimatedWebpEncoder& AnimatedWebpEncoder::operator=(AnimatedWebpEncoder&&) noexcept = default;
void AnimatedWebpEncoder::AddFrame(const RgbaFrameView&) {
  throw std::logic_error("WebP encoder used after Finish");
}
std::vector<std::uint8_t> AnimatedWebpEncoder::Finish() {
  throw std::logic_error("WebP encoder used after Finish");
}

#endif

std::vector<std::uint8_t> EncodeAnimatedWebp(std::span<const RgbaFrameView> frames,
                                             std::int32_t frame_duration_ms,
                                             const WebpSettings& settings) {
  if (frames.empty()) throw std::logic_error("a WebP needs at least one frame");
  AnimatedWebpEncoder encoder(frames.front().width, frames.front().height, frame_duration_ms,
                              settings);
  for (const RgbaFrameView& frame : frames) encoder.AddFrame(frame);
  return encoder.Finish();
}

}  // namespace morvane::rgba
