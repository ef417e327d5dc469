#include "params/colors.h"

#include <map>
#include <optional>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/ini.h"

namespace morvane {

namespace {

struct LessIgnoreCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return CompareIgnoreCase(a, b) < 0;
  }
};

using ColorNameTable = std::map<std::string, ColorValue, LessIgnoreCase>;

// Absent when there is no colour-name file.
std::optional<ColorNameTable> g_color_names;

}  // namespace

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void LoadColorNames(const std::string& path) {
  g_color_names.reset();
  if (!FileExists(path)) return;
  ColorNameTable table;
  try {
    for (const std::string& line : ReadTextLines(path)) {
      if (line.empty() || line.front() == ';') continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const ColorValue colour = ParseColorText(std::string_view(line).substr(eq + 1));
      if (colour == kBadColor) continue;
      const std::string_view name = std::string_view(line).substr(0, eq);
      auto it = table.find(name);
      if (it == table.end()) {
        table.emplace(std::string(name), colour);
      } else {
        it->second = colour;
      }
    }
  } catch (const IoError&) {
    // An unreadable file must not stop the run: it starts without colour names.
    return;
  }
  g_color_names = std::move(table);
}

void LoadColorNames() {
  LoadColorNames(ProgramDirectory() + kColorNamesFile);
}

void ClearColorNames() {
  g_color_names.reset();
}

ColorValue ColorByName(std::string_view text) {
  if (g_color_names) {
    const auto it = g_color_names->find(text);
    if (it != g_color_names->end()) return it->second;
  }
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
  if (hex.size() == 3) return digits[0] * 17 | (digits[1] * 17) << 8 | (digits[2] * 17) << 16;
  return (digits[0] << 4 | digits[1]) | (digits[2] << 4 | digits[3]) << 8 |
         (digits[4] << 4 | digits[5]) << 16;
}

}  // namespace morvane
