// Colour texts: #RRGGBB, #RGB, or a name defined in the colour-name file.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/ascii.h"
#include "core/canvas.h"

namespace morvane {

// Returned for every text that is not a colour.
inline constexpr ColorValue kBadColor = 0x20000000;

// The colour-name file beside the executable.
inline constexpr const char* kColorNamesFile = "colors.cfg";

// The colour names a run may use in colour options; none until loaded.
class ColorNames {
 public:
  // The names in the file at path: one definition per line, name "=" colour text. Nothing is
  // trimmed; empty lines, lines starting with ";", lines without "=" and lines whose colour
  // text does not parse are ignored. A name defined twice (letter case ignored) keeps its first
  // spelling and takes the last value. A missing or unreadable file gives no names.
  static ColorNames FromFile(const std::string& path);

  // The colour of a defined name (letter case ignored), else ParseColorText(text).
  ColorValue ColorOf(std::string_view text) const;

 private:
  struct LessIgnoreCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
      return CompareIgnoreCase(a, b) < 0;
    }
  };

  std::map<std::string, ColorValue, LessIgnoreCase> names_;
};

// "#RRGGBB" or "#RGB" (each digit d of the short form stands for d * 17) as 0x00BBGGRR;
// kBadColor for anything else.
ColorValue ParseColorText(std::string_view text);

}  // namespace morvane
