// Local date and time texts.
#pragma once

#include <string>

namespace morvane {

// The current local time formatted with strftime (for example "%x" short date, "%X" long time).
std::string FormatLocalTime(const char* format);

}  // namespace morvane
