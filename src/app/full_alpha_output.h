// The outputs that keep the frames' full alpha: per direction a PNG of every frame and an
// animated WebP, per sequence a sprite sheet with its JSON atlas. Their frames are the GIF's,
// drawn onto a transparent canvas (RgbaCanvas) instead of the background colour and blended by
// alpha whatever the GIF's transparency settings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/frame_source.h"
#include "rgba/sheet_layout.h"
#include "sprite/sprite.h"

namespace morvane {

// Draws the frames, which must not have been drawn yet, in order. With png each frame's PNG
// goes to png_sink as soon as it is made; with webp the animated WebP of them all, every frame
// lasting frame_duration_ms, is returned. Memory: one canvas, one PNG and the WebP encoder's
// state with the file so far.
std::optional<std::vector<std::uint8_t>> DirectionFullAlpha(
    DirectionFrames& frames, bool png, bool webp, std::int32_t frame_duration_ms,
    const std::function<void(std::vector<std::uint8_t>)>& png_sink);

// A direction's canvas as the sheet's layout takes it.
rgba::DirectionCanvas SheetCanvas(const FrameGeometry& geometry);

// The names a direction's frames have in the atlas: the tag (the GIF's name without ".gif") and
// the stem of its frames' PNG names.
struct SheetDirectionNames {
  std::string tag;
  std::string frame_stem;
};

struct SheetFiles {
  std::vector<std::uint8_t> png;
  std::string json;
};

// The sheet of sequence laid out as layout, one entry of names per direction of anim, the
// atlas naming image as the sheet's PNG file. The frames are drawn direction by direction, and
// each row of cells is compressed once it is complete.
SheetFiles SequenceSheet(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                         bool static_anims, const rgba::SheetLayout& layout,
                         std::span<const SheetDirectionNames> names, std::string_view image,
                         std::int32_t frame_duration_ms);

}  // namespace morvane
