// The error of a sprite file that breaks its format.
#pragma once

#include "core/errors.h"

namespace morvane {

// The sprite file breaks its format. Reported as "Error parsing sprite file. See Error Log for
// detail." and logged as "<text> in file <base name>".
class SpriteFormatError : public Error {
 public:
  using Error::Error;
};

}  // namespace morvane
