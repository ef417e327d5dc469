// The rules of this operating system's paths: where a file name splits into its directory and
// its name, how paths are joined, which names a file may take, and where per-user state goes.
// Every path the converter builds or takes apart goes through these functions.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

// The value of an environment variable by its name, nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The longest file name, in bytes, that the file systems take.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The directory part of a path: up to and including its last separator; empty for a bare
// name.
std::string DirectoryPart(std::string_view path);

// The name after the path's last separator (the whole path when it has none).
std::string FileNamePart(std::string_view path);

// directory, a separator and name.
std::string JoinPath(std::string_view directory, std::string_view name);

// The path of name in the working directory ("./name").
std::string InWorkingDirectory(std::string_view name);

// True when path is absolute.
bool IsAbsolutePath(std::string_view path);

// A name from a sprite file made safe as a file name in an output directory: every separator
// and NUL byte becomes "_", so no name can write outside the directory. On Windows also the
// characters <>:"|?* and the bytes 0x01-0x1F; a device name (CON, NUL, COM1, ..., of any case,
// before the first ".") gets "_" in front. (Every file name goes on with its ending, so none
// ends in a dot.)
std::string SafeFileName(std::string_view name);

// A base name made safe as the name of an output folder. On Linux every name is (the empty
// and all-dot names are the caller's to mend); on Windows the rules of SafeFileName apply, and
// a trailing "." or blank becomes "_".
std::string SafeFolderName(std::string_view base_name);

// The user's file for application state, from the environment. On Linux:
// $XDG_STATE_HOME/<application>/<file> when that is an absolute path, else
// $HOME/.local/state/<application>/<file> when HOME is set and not empty. On Windows:
// %LOCALAPPDATA%\<application>\<file> when that is an absolute path. Empty when there is no
// such place.
std::string UserStateFile(std::string_view application, std::string_view file,
                          const EnvironmentLookup& environment);

// How UserStateFile finds the file, for the user: "$XDG_STATE_HOME/<application>/<file>
// (XDG_STATE_HOME an absolute path), else $HOME/.local/state/<application>/<file>" on Linux,
// "%LOCALAPPDATA%\\<application>\\<file>" on Windows.
std::string UserStateFileText(std::string_view application, std::string_view file);

}  // namespace morvane
