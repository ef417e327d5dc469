#include "params/colors.h"

#include "core/errors.h"
#include "platform/fs.h"

namespace morvane {

namespace {

// A digit d of "#RGB" stands for the byte dd, that is d * 17.
constexpr ColorValue kShortDigitScale = 17;

}  // namespace

ColorNames ColorNames::FromFile(const std::string& path) {
  ColorNames colors;
  if (!FileExists(path)) return colors;
  try {
    for (const std::string& line : ReadTextLines(path)) {
      if (line.empty() || line.front() == ';') continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const ColorValue colour = ParseColorText(std::string_view(line).substr(eq + 1));
      if (colour == kBadColor) continue;
      const std::string_view name = std::string_view(line).substr(0, eq);
      auto it = colors.names_.find(name);
      if (it == colors.names_.end()) {
        colors.names_.emplace(std::string(name), colour);
      } else {
        it->second = colour;
      }
    }
  } catch (const IoError&) {
    // An unreadable file must not stop the run: it starts without colour names.
    return ColorNames();
  }
  return colors;
}

ColorValue ColorNames::ColorOf(std::string_view text) const {
  const auto it = names_.find(text);
  if (it != names_.end()) return it->second;
  return ParseColorText(text);
}

ColorValue ParseColorText(std::string_view text) {
  if (text.empty() || text.front() != '#') return kBadColor;
  ColorValue digits[6] = {};
  const std::string_view hex = text.substr(1);
  if (hex.size() != 3 && hex.size() != 6) return kBadColor;
  for (std::size_t i = 0; i < hex.size(); ++i) {
    const int d = HexDigit(hex[i]);
    if (d < 0) return kBadColor;
    digits[i] = static_cast<ColorValue>(d);
  }
  if (hex.size() == 3) {
    return digits[0] * kShortDigitScale | (digits[1] * kShortDigitScale) << 8 |
           (digits[2] * kShortDigitScale) << 16;
  }
  return (digits[0] << 4 | digits[1]) | (digits[2] << 4 | digits[3]) << 8 |
         (digits[4] << 4 | digits[5]) << 16;
}

}  // namespace morvane
