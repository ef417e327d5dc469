// The walk over the command line: the configuration file first, then options, file specs and
// list files strictly from left to right.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "params/parameter_store.h"
#include "platform/console.h"
#include "platform/fs.h"

namespace morvane {

// The configuration file beside the executable and the section read from it.
inline constexpr const char* kConfigFile = "morvane.cfg";
inline constexpr const char* kConfigSection = "defaults";

// Separates a file or list file name from the pattern of the sequences to convert.
inline constexpr std::string_view kPatternSeparator = "::";

// A list file is read whole before any of its lines is converted: over 64 MiB, or with a line
// over 4096 bytes, it fails as "File too large".
inline constexpr TextBounds kListFileBounds{64u << 20, 4096};

// Converts one file spec ("file" or "file::pattern"); from_list tells whether it came from a
// list file. Never throws.
using ConvertFileCallback = std::function<void(const std::string& file_spec, bool from_list)>;
// Validates the store into the run settings; false after printing a message.
using ValidateCallback = std::function<bool()>;

// Overlays the "defaults" section of the profile file at config_path onto the store, key by key
// in file order; a key with an empty value removes that option. A missing file changes nothing
// and is not reported.
void LoadConfigFile(const std::string& config_path, ParameterStore& store);

// Converts every line of a list file. An argument "name::pattern" reads the file name and
// appends "::pattern" to each line that has no "::" of its own. A file that cannot be read
// prints "Error in list file '<name>': <reason>" and the walk goes on.
void ReadListFile(const std::string& argument, const ConvertFileCallback& convert_file,
                  Console& console);

// Loads the configuration, validates it, and takes the arguments in order: "-name[=value]"
// options (echoed, stored and validated at once, so they affect only the files after them),
// "@listfile[::pattern]" list files, and file specs. Returns false when the run must end at
// once: a bad parameter or a failed validation (the message has been printed).
bool WalkArguments(const std::string& config_path, const std::vector<std::string>& arguments,
                   ParameterStore& store, Console& console, const ConvertFileCallback& convert_file,
                   const ValidateCallback& validate);

}  // namespace morvane
