// Binary transparency keyed to the background colour: every frame is shown on a cleared
// screen, and its pixels of the background colour are transparent.
#pragma once

#include <optional>
#include <vector>

#include "core/canvas.h"
#include "gif/gif_image.h"

namespace morvane::gif {

// The transparency of one image's frames, from their canvases to the shared colour map. Every
// frame of the image goes through AddFrame, in frame order, before OptimizeColorMaps.
class BinaryTransparency {
 public:
  explicit BinaryTransparency(ColorValue background) : background_(background) {}

  // Gives frame, just added to image and reduced from canvas, its graphic control extension:
  // transparency on at the index of the background colour in the frame's active map (found,
  // appended or the nearest entry), disposal to background. Notes where the canvas first shows
  // the background colour exactly, row by row from the top left.
  void AddFrame(GifImage& image, GifFrame& frame, const RgbCanvas& canvas);

  // Merges the frames' colour maps into the shared map. A frame none of whose pixels has its
  // transparent index loses its transparency in the merge; it takes the index its first pixel
  // of the background colour got instead, and a second merge gives it the shared transparent
  // slot. A frame that showed no background stays opaque.
  void OptimizeColorMaps(GifImage& image) const;

 private:
  ColorValue background_;
  std::vector<std::optional<CanvasPoint>> first_background_;  // per frame, in frame order
};

}  // namespace morvane::gif
