#include "params/ini.h"

#include "core/ascii.h"
#include "core/errors.h"
#include "platform/fs.h"

namespace morvane {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

IniEntries ParseIniSection(const std::vector<std::string>& lines, std::string_view section) {
  IniEntries entries;
  bool inside = false;
  bool done = false;
  for (const std::string& raw : lines) {
    const std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (inside) done = true;
      const std::size_t close = line.find(']');
      const std::string_view name =
          TrimBlanks(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      if (!done && EqualsIgnoreCase(name, section)) inside = true;
      if (done) break;
      continue;
    }
    if (!inside) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (key.empty()) continue;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    bool seen = false;
    for (const auto& entry : entries) seen = seen || EqualsIgnoreCase(entry.first, key);
    if (!seen) entries.emplace_back(std::string(key), std::string(value));
  }
  return entries;
}

IniEntries ReadIniSection(const std::string& path, std::string_view section) {
  try {
    return ParseIniSection(ReadTextLines(path), section);
  } catch (const IoError&) {
    return {};
  }
}

}  // namespace morvane
