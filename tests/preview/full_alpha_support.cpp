#include "preview/full_alpha_support.h"

#include <fstream>

#include "rgba/atlas_json.h"
#include "rgba/png_encoder.h"
#include "rgba/sheet_layout.h"
#include "rgba/sheet_writer.h"
#include "rgba/webp_encoder.h"

namespace morvane::preview::testing {

namespace {

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

rgba::RgbaFrameView View(const AlphaSequence& sequence,
                         const std::vector<rgba::RgbaPixel>& pixels) {
  return {pixels, sequence.width, sequence.height};
}

}  // namespace

std::uint8_t ShadowAlpha(std::size_t direction, std::int64_t frame) {
  return static_cast<std::uint8_t>(40 + 50 * direction + 7 * frame);
}

std::vector<rgba::RgbaPixel> AlphaFrame(const AlphaSequence& sequence, std::size_t direction,
                                        std::int64_t frame) {
  std::vector<rgba::RgbaPixel> pixels(
      static_cast<std::size_t>(sequence.width) * static_cast<std::size_t>(sequence.height), 0);
  const rgba::RgbaPixel shadow = rgba::PackRgba(20, 16, 40, ShadowAlpha(direction, frame));
  for (std::int32_t x = 0; x < sequence.width; ++x) {
    pixels[static_cast<std::size_t>((sequence.height - 1) * sequence.width + x)] = shadow;
  }
  pixels[static_cast<std::size_t>(sequence.height / 2 * sequence.width + sequence.width / 2)] =
      rgba::PackRgba(220, 60, 30, 255);
  return pixels;
}

std::vector<std::string> WriteWebp(const std::string& folder, const AlphaSequence& sequence,
                                   std::size_t direction) {
  rgba::AnimatedWebpEncoder encoder(sequence.width, sequence.height, sequence.duration_ms);
  for (std::int64_t k = 0; k < sequence.frame_count; ++k) {
    encoder.AddFrame(View(sequence, AlphaFrame(sequence, direction, k)));
  }
  const std::string name = sequence.stems.at(direction) + ".webp";
  WriteBytes(folder + "/" + name, encoder.Finish());
  return {name};
}

std::vector<std::string> WritePngFrames(const std::string& folder, const AlphaSequence& sequence,
                                        std::size_t direction) {
  std::vector<std::string> names;
  for (std::int64_t k = 0; k < sequence.frame_count; ++k) {
    names.push_back(sequence.stems.at(direction) + "_" +
                    rgba::FrameNumber(k, sequence.frame_count) + ".png");
    WriteBytes(folder + "/" + names.back(),
               rgba::EncodePng(View(sequence, AlphaFrame(sequence, direction, k))));
  }
  return names;
}

std::vector<std::string> WriteSheet(const std::string& folder, const AlphaSequence& sequence) {
  std::vector<rgba::DirectionCanvas> canvases;
  std::vector<rgba::AtlasDirectionNames> names;
  for (const std::string& stem : sequence.stems) {
    canvases.push_back({0, 0, sequence.width, sequence.height, sequence.frame_count, false});
    names.push_back({stem, stem});
  }
  const rgba::SheetLayout layout = rgba::LayOutSheet(canvases, false);
  rgba::SheetWriter sheet(layout);
  for (std::size_t d = 0; d < sequence.stems.size(); ++d) {
    for (std::int64_t k = 0; k < sequence.frame_count; ++k) {
      sheet.AddFrame(View(sequence, AlphaFrame(sequence, d, k)));
    }
  }
  const std::string image = sequence.name + ".png";
  const std::string atlas = sequence.name + ".json";
  WriteBytes(folder + "/" + image, sheet.Finish());
  std::ofstream(folder + "/" + atlas, std::ios::binary)
      << rgba::AtlasJson(layout, names, image, sequence.duration_ms, "test");
  return {image, atlas};
}

}  // namespace morvane::preview::testing
