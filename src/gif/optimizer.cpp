// Placeholder until the colour-map optimiser lands.
#include "gif/gif_image.h"

namespace morvane::gif {
void TGIFImage::OptimizeColorMaps() { throw GIFException("not built yet"); }
}  // namespace morvane::gif
