// The process environment, read in one place so that the rest of the program takes the values
// it needs as plain arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace morvane {

// The value of the environment variable name; nullopt when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

// The program's arguments after its own name, in UTF-8. On Linux those main was given; on
// Windows the process's UTF-16 command line, split as the system's own rule splits it (no
// wildcard is expanded), which main's argc and argv are not used for.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace morvane
