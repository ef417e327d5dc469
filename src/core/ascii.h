// ASCII text rules shared by every name comparison and number reading of the system.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Folds a-z to A-Z; every other byte, those above 127 included, stays as it is.
char FoldCase(char c);
int CompareIgnoreCase(std::string_view a, std::string_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// A name from a file or a list as the console and the error log show it: each control byte
// (0x00-0x1F and 0x7F) becomes "?", so a name cannot drive a terminal or forge a log line. The
// length stays, so names still line up.
std::string ShownName(std::string_view name);

// The value of a hexadecimal digit (0-9, A-F, a-f); -1 for any other character.
int HexDigit(char c);

}  // namespace morvane
