// Local date and time texts.
#pragma once

#include <ctime>
#include <string>

namespace morvane {

// The local calendar time of a moment, as the system's time zone settings have it.
std::tm LocalTime(std::time_t moment);

// The current local time formatted with strftime (for example "%x" short date, "%X" long time).
std::string FormatLocalTime(const char* format);

}  // namespace morvane
