// Reading one section of an INI-style profile file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

using IniEntries = std::vector<std::pair<std::string, std::string>>;

// The keys and values of the first section called `section` (letter case ignored), in file
// order. Keys and values are trimmed of blanks; a value in one pair of matching double or single
// quotes loses them; lines starting with ";" are comments; lines without "=" or with an empty key
// are ignored; a key that stands twice keeps its first value. A missing or unreadable file gives
// no entries.
IniEntries ReadIniSection(const std::string& path, std::string_view section);

// The text without the blanks (spaces and tabs) at its start and end.
std::string_view TrimBlanks(std::string_view text);

// Parses the same from text already in memory (lines as ReadTextLines gives them).
IniEntries ParseIniSection(const std::vector<std::string>& lines, std::string_view section);

}  // namespace morvane
