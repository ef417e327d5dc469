#include "platform/memory.h"

namespace morvane {

// Nothing is asked ahead here: the pages of a fresh heap block fault in as they are written.
void PrefaultForWriting(void* data, std::size_t size) {
  static_cast<void>(data);
  static_cast<void>(size);
}

}  // namespace morvane
