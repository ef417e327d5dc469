// The error of the GIF code.
#pragma once

#include "core/errors.h"

namespace morvane {

// The GIF model or writer met a state it cannot write ("Color table overflow", "Unsupported GIF
// version"). Reported and logged as an internal error.
class GifError : public Error {
 public:
  using Error::Error;
};

}  // namespace morvane
