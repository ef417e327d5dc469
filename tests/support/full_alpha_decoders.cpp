#include "support/full_alpha_decoders.h"

#include <gtest/gtest.h>
#include <png.h>

#include <memory>

#if MORVANE_RGBA_HAVE_WEBP
#include <webp/demux.h>
#endif

namespace morvane::testing {

DecodedImage DecodePng(const std::vector<std::uint8_t>& png) {
  // IHDR comes first: bit depth and colour type at bytes 24 and 25.
  constexpr std::uint8_t kRgba = 6;
  if (png.size() < 26 || png[24] != 8 || png[25] != kRgba) {
    ADD_FAILURE() << "not an 8-bit RGBA PNG";
    return {};
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    ADD_FAILURE() << "libpng: " << image.message;
    return {};
  }
  image.format = PNG_FORMAT_RGBA;
  DecodedImage decoded{
      static_cast<std::int32_t>(image.width), static_cast<std::int32_t>(image.height),
      std::vector<std::uint32_t>(static_cast<std::size_t>(image.width) * image.height)};
  if (!png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr)) {
    ADD_FAILURE() << "libpng: " << image.message;
    png_image_free(&image);
    return {};
  }
  // A warning (a bad CRC, a damaged stream that libpng recovered from) is a fault too.
  EXPECT_EQ(image.warning_or_error, 0) << image.message;
  return decoded;
}

DecodedAnimation DecodeWebp([[maybe_unused]] const std::vector<std::uint8_t>& file) {
  DecodedAnimation decoded;
#if MORVANE_RGBA_HAVE_WEBP
  WebPBitstreamFeatures features;
  EXPECT_EQ(WebPGetFeatures(file.data(), file.size(), &features), VP8_STATUS_OK);
  decoded.animated = features.has_animation != 0;
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_RGBA;
  const WebPData data{file.data(), file.size()};
  std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(
      WebPAnimDecoderNew(&data, &options), &WebPAnimDecoderDelete);
  if (decoder == nullptr) {
    ADD_FAILURE() << "libwebp cannot read the file";
    return decoded;
  }
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(decoder.get(), &info);
  decoded.width = static_cast<std::int32_t>(info.canvas_width);
  decoded.height = static_cast<std::int32_t>(info.canvas_height);
  decoded.loop_count = info.loop_count;
  const std::size_t pixels = static_cast<std::size_t>(decoded.width) * decoded.height;
  while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
    std::uint8_t* canvas = nullptr;
    int end_time = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &end_time)) {
      ADD_FAILURE() << "libwebp fails on a frame";
      break;
    }
    const auto* shown = reinterpret_cast<const std::uint32_t*>(canvas);
    decoded.frames.emplace_back(shown, shown + pixels);
    decoded.end_times.push_back(end_time);
  }
#else
  ADD_FAILURE() << "this build reads no WebP";
#endif
  return decoded;
}

void ExpectPlays(const DecodedAnimation& decoded,
                 const std::vector<std::vector<std::uint32_t>>& frames, int duration) {
  std::size_t shown = 0;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const auto start = static_cast<std::int64_t>(k) * duration;
    while (shown < decoded.end_times.size() && decoded.end_times[shown] <= start) ++shown;
    ASSERT_LT(shown, decoded.frames.size()) << "frame " << k << " is not shown";
    EXPECT_TRUE(decoded.frames[shown] == frames[k]) << "frame " << k << " differs";
  }
  ASSERT_FALSE(decoded.end_times.empty());
  EXPECT_EQ(decoded.end_times.back(), static_cast<int>(frames.size()) * duration);
}

}  // namespace morvane::testing
