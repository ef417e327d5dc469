#include "gif/binary_transparency.h"

#include <algorithm>

#include "gif/color_map_optimizer.h"

namespace morvane::gif {

namespace {

// The first pixel of the canvas, row by row from the top left, whose colour is exactly colour.
std::optional<CanvasPoint> FirstPixelOfColour(const RgbCanvas& canvas, ColorValue colour) {
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    const ColorValue* row = canvas.Row(y);
    const ColorValue* found = std::find(row, row + canvas.Width(), colour & 0xFFFFFFu);
    if (found != row + canvas.Width())
      return CanvasPoint{static_cast<std::int32_t>(found - row), y};
  }
  return std::nullopt;
}

}  // namespace

void BinaryTransparency::AddFrame(GifImage& image, GifFrame& frame, const RgbCanvas& canvas) {
  first_background_.push_back(FirstPixelOfColour(canvas, background_));
  auto& control = frame.AddExtension(GraphicControlExtension());
  control.SetTransparencyOn(true);
  ColorMap& map = image.ActiveColorMap(frame);
  control.SetTransparentIndex(map.FindAppendOrNearest(background_), map);
  control.SetDisposalMethod(kDisposeToBackground);
}

void BinaryTransparency::OptimizeColorMaps(GifImage& image) const {
  gif::OptimizeColorMaps(image);
  std::size_t index = 0;
  for (GifFrame& frame : image.Frames()) {
    const std::optional<CanvasPoint> background_at = first_background_.at(index++);
    GraphicControlExtension* control = frame.ControlExtension();
    if (control != nullptr && !control->TransparencyOn() && background_at) {
      control->SetTransparencyOn(true);
      control->SetTransparentIndex(frame.PixelAt(background_at->x, background_at->y),
                                   image.ActiveColorMap(frame));
    }
  }
  gif::OptimizeColorMaps(image);
}

}  // namespace morvane::gif
