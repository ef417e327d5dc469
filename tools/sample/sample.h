// The bundled sample sprite: a small figure that idles, waves and walks in eight directions.
#pragma once

#include "sprwriter/sprwriter.h"

namespace morvane::sample {

// The sample as a sprite description: a walking collection in eight directions with a packed
// image set, an idle collection in one direction with a plain image set, four layers each
// (shadow, body, head, glow) with soft alpha edges.
sprwriter::Sprite HeroSprite();

}  // namespace morvane::sample
