// ASCII text rules shared by every name comparison and number reading of the system.
#pragma once

#include <string_view>

namespace morvane {

// Folds a-z to A-Z; every other byte, those above 127 included, stays as it is.
char FoldCase(char c);
int CompareIgnoreCase(std::string_view a, std::string_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit (0-9, A-F, a-f); -1 for any other character.
int HexDigit(char c);

}  // namespace morvane
