// Hints to the operating system about memory the process is about to use.
#pragma once

#include <cstddef>

namespace morvane {

// Asks the system to give the whole pages inside [data, data + size) their memory now, so that
// the first writes to them do not stop to fault it in. It changes no byte and may be called
// while another thread writes there. Where the system cannot do this, it does nothing.
void PrefaultForWriting(void* data, std::size_t size);

}  // namespace morvane
