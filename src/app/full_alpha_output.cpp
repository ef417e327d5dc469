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

SheetPieces::SheetPieces(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                         bool static_anims, const rgba::SheetLayout& layout)
    : sprite_(sprite),
      sequence_(sequence),
      anim_(anim),
      static_anims_(static_anims),
      writer_(layout),
      canvas_(1, 1) {}

std::span<const std::uint8_t> SheetPieces::Next() {
  if (finished_) return {};
  while (!writer_.Complete()) {
    if (!frames_) {
      frames_.emplace(sprite_, sequence_, anim_, direction_, static_anims_);
      canvas_ = RgbaCanvas(frames_->Geometry().width, frames_->Geometry().height);
    }
    if (!frames_->DrawNext(canvas_, RgbaValue{0}, kBlendByAlpha)) {
      frames_.reset();
      ++direction_;
      continue;
    }
    writer_.AddFrame(ViewOf(canvas_));
    piece_ = writer_.TakeBytes();
    if (!piece_.empty()) return piece_;
  }
  finished_ = true;
  piece_ = writer_.Finish();
  return piece_;
}

std::string SheetAtlas(const rgba::SheetLayout& layout, std::span<const SheetDirectionNames> names,
                       std::string_view image, std::int32_t frame_duration_ms) {
  std::vector<rgba::AtlasDirectionNames> atlas_names;
  atlas_names.reserve(names.size());
  for (const SheetDirectionNames& n : names) atlas_names.push_back({n.tag, n.frame_stem});
  return rgba::AtlasJson(layout, atlas_names, image, frame_duration_ms, kProgramVersion);
}

}  // namespace morvane
