// The walk over the command line: the configuration file first, then options, file specs and
// list files strictly from left to right.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace morvane {

// The configuration file beside the executable and the section read from it.
inline constexpr const char* kConfigFile = "morvane.cfg";
inline constexpr const char* kConfigSection = "defaults";

// Converts one file spec ("file" or "file::pattern"); fromList tells whether it came from a
// list file. Never throws.
using ConvertFileCallback = std::function<void(const std::string& fileSpec, bool fromList)>;
// Validates the store into the run settings; false after printing a message.
using ValidateCallback = std::function<bool()>;

// Overlays the "defaults" section of the profile file at configPath onto the parameter store,
// key by key in file order; a key with an empty value removes that option. A missing file
// changes nothing and is not reported.
void LoadConfigFile(const std::string& configPath);

// Converts every line of a list file. An argument "name::pattern" reads the file name and
// appends "::pattern" to each line that has no "::" of its own. A file that cannot be read
// prints "Error in list file '<name>': <reason>" and the walk goes on.
void ReadListFile(const std::string& argument, const ConvertFileCallback& convertFile);

// Loads the configuration, validates it, and takes the arguments in order: "-name[=value]"
// options (echoed, stored and validated at once, so they affect only the files after them),
// "@listfile[::pattern]" list files, and file specs. Returns false when the run must end at
// once: a bad parameter or a failed validation (the message has been printed).
bool WalkArguments(const std::string& configPath, const std::vector<std::string>& arguments,
                   const ConvertFileCallback& convertFile, const ValidateCallback& validate);

}  // namespace morvane
