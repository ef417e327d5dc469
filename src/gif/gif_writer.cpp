// Placeholder until the file writer lands.
#include "gif/gif_image.h"

namespace morvane::gif {
GIFVersion TGIFSubImage::RequiredVersion() const { return GIFVersion::k87a; }
void TGIFSubImage::SaveToStream(ByteSink&) const { throw GIFException("not built yet"); }
GIFVersion TGIFImage::RequiredVersion() const { return GIFVersion::kUnknown; }
void TGIFImage::SaveToStream(ByteSink&) const { throw GIFException("not built yet"); }
void TGIFImage::SaveGifFile(const std::string&) const { throw GIFException("not built yet"); }
void TGIFColorMap::SaveToStream(ByteSink&) const {}
void TGIFGraphicControlExtension::SaveToStream(ByteSink&) const {}
void TGIFAppExtNSLoop::SaveToStream(ByteSink&) const {}
}  // namespace morvane::gif
