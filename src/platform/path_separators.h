// The separators of this operating system's paths, for the path rules shared by every system
// (path.cpp). Only the platform library's own sources include this header.
#pragma once

#include <cstddef>
#include <string_view>

namespace morvane::path_separators {

// The separator the program joins paths with.
extern const char kJoin;

// Where path splits into its directory part and its file name: the position of its last
// separator, or npos.
std::size_t Last(std::string_view path);

}  // namespace morvane::path_separators
