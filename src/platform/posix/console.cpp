#include "platform/console.h"

#include <cstdio>

namespace morvane {

void StandardOutput::Write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void StandardOutput::Flush() {
  std::fflush(stdout);
}

}  // namespace morvane
