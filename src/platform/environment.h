// The process environment, read in one place so that the rest of the program takes the values
// it needs as plain arguments.
#pragma once

#include <optional>
#include <string>

namespace morvane {

// The value of the environment variable name; nullopt when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

}  // namespace morvane
