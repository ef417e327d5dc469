// Placeholder until the colour reduction lands.
#include "gif/gif_image.h"

namespace morvane::gif {
void TGIFSubImage::Assign(const RgbCanvas&) { throw GIFException("not built yet"); }
}  // namespace morvane::gif
