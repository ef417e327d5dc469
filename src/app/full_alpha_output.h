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
#include "rgba/sheet_writer.h"
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

// The sheet's PNG file of sequence laid out as layout, handed out piece by piece as its rows of
// cells are compressed (PendingFile::WriteInPieces): the frames are drawn direction by
// direction when the next piece is asked for, so that only one row of cells and the bytes of
// one piece are held.
class SheetPieces {
 public:
  SheetPieces(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
              bool static_anims, const rgba::SheetLayout& layout);

  // The next bytes of the file, valid until the next call; empty once the file is complete.
  std::span<const std::uint8_t> Next();

 private:
  const Sprite& sprite_;
  const Sequence& sequence_;
  const Collection& anim_;
  bool static_anims_;
  rgba::SheetWriter writer_;
  std::int32_t direction_ = 0;
  std::optional<DirectionFrames> frames_;  // the direction being drawn
  RgbaCanvas canvas_;
  std::vector<std::uint8_t> piece_;
  bool finished_ = false;
};

// The sheet's atlas: one entry of names per direction, image naming the sheet's PNG file.
std::string SheetAtlas(const rgba::SheetLayout& layout, std::span<const SheetDirectionNames> names,
                       std::string_view image, std::int32_t frame_duration_ms);

}  // namespace morvane
