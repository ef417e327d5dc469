#include "app/full_alpha_output.h"

#include <utility>

#include "params/version.h"
#include "rgba/atlas_json.h"
#include "rgba/png_encoder.h"
#include "rgba/sheet_writer.h"
#include "rgba/webp_encoder.h"

namespace morvane {

namespace {

rgba::RgbaFrameView ViewOf(const RgbaCanvas& canvas) {
  const std::size_t pixels = static_cast<std::size_t>(canvas.Width()) * canvas.Height();
  return {std::span<const rgba::RgbaPixel>(canvas.Row(0), pixels), canvas.Width(), canvas.Height()};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DirectionFullAlpha(
    DirectionFrames& frames, bool png, bool webp, std::int32_t frame_duration_ms,
    const std::function<void(std::vector<std::uint8_t>)>& png_sink) {
  const FrameGeometry& geometry = frames.Geometry();
  std::optional<rgba::AnimatedWebpEncoder> animation;
  if (webp) animation.emplace(geometry.width, geometry.height, frame_duration_ms);
  RgbaCanvas canvas(geometry.width, geometry.height);
  while (frames.DrawNext(canvas, RgbaValue{0}, kBlendByAlpha)) {
    const rgba::RgbaFrameView view = ViewOf(canvas);
    if (png) png_sink(rgba::EncodePng(view));
    if (animation) animation->AddFrame(view);
  }
  if (!animation) return std::nullopt;
  return animation->Finish();
}

rgba::DirectionCanvas SheetCanvas(const FrameGeometry& geometry) {
  return {.left = geometry.left,
          .top = geometry.top,
          .width = geometry.width,
          .height = geometry.height,
          .frame_count = geometry.frames,
          .background_frame = geometry.background};
}

SheetFiles SequenceSheet(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                         bool static_anims, const rgba::SheetLayout& layout,
                         std::span<const SheetDirectionNames> names, std::string_view image,
                         std::int32_t frame_duration_ms) {
  rgba::SheetWriter writer(layout);
  for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
    DirectionFrames frames(sprite, sequence, anim, d, static_anims);
    RgbaCanvas canvas(frames.Geometry().width, frames.Geometry().height);
    while (frames.DrawNext(canvas, RgbaValue{0}, kBlendByAlpha)) writer.AddFrame(ViewOf(canvas));
  }
  SheetFiles files{writer.Finish(), {}};
  std::vector<rgba::AtlasDirectionNames> atlas_names;
  atlas_names.reserve(names.size());
  for (const SheetDirectionNames& n : names) atlas_names.push_back({n.tag, n.frame_stem});
  files.json = rgba::AtlasJson(layout, atlas_names, image, frame_duration_ms, kProgramVersion);
  return files;
}

}  // namespace morvane
