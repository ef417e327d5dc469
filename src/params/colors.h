// Colour texts: #RRGGBB, #RGB, or a name defined in the colour-name file.
#pragma once

#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace morvane {

// Returned for every text that is not a colour.
inline constexpr ColorValue kBadColor = 0x20000000;

// The colour-name file beside the executable.
inline constexpr const char* kColorNamesFile = "colors.cfg";

// Loads the colour names from the file at path: one definition per line, name "=" colour text.
// Nothing is trimmed; empty lines, lines starting with ";", lines without "=" and lines whose
// colour text does not parse are ignored. A name defined twice (letter case ignored) keeps its
// first spelling and takes the last value. A missing or unreadable file leaves no names.
void LoadColorNames(const std::string& path);
// The same for colors.cfg in the program's directory.
void LoadColorNames();
void ClearColorNames();

// The colour of a defined name (letter case ignored), else ParseColorText(text).
ColorValue ColorByName(std::string_view text);

// "#RRGGBB" or "#RGB" (each digit d of the short form stands for d * 17) as 0x00BBGGRR;
// kBadColor for anything else.
ColorValue ParseColorText(std::string_view text);

// The value of a hexadecimal digit (0-9, A-F, a-f); -1 for any other character.
int HexDigit(char c);

}  // namespace morvane
