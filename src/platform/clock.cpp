#include "platform/clock.h"

namespace morvane {

namespace {

// Room for any date and time text of the formats in use.
constexpr std::size_t kMaxTimeText = 256;

}  // namespace

std::string FormatLocalTime(const char* format) {
  const std::tm local = LocalTime(std::time(nullptr));
  char buffer[kMaxTimeText];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
}

}  // namespace morvane
