// Wildcard matching of sequence names.
#pragma once

#include <string_view>

namespace morvane {

// True when the whole name matches the whole pattern: "?" matches one character, "*" any run
// of characters (the empty run included), and every other byte itself, with the ASCII letters
// compared ignoring case. There is no escape character.
bool MatchWildcard(std::string_view name, std::string_view pattern);

}  // namespace morvane
