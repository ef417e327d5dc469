// The rules of this operating system's paths: where a file name splits into its directory and
// its name, how paths are joined, which names a file may take, and where per-user state goes.
// Every path the converter builds or takes apart goes through these functions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

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
// and NUL byte becomes "_", so no name can write outside the directory.
std::string SafeFileName(std::string_view name);

// The user's file for application state, from the values of XDG_STATE_HOME and HOME:
// <xdg_state_home>/<application>/<file> when that is an absolute path, else
// <home>/.local/state/<application>/<file> when home is set and not empty; empty when there is
// no such place.
std::string UserStateFile(std::string_view application, std::string_view file,
                          const std::optional<std::string>& xdg_state_home,
                          const std::optional<std::string>& home);

}  // namespace morvane
