#include <limits>

#include "params/colors.h"
#include "params/params.h"
#include "platform/console.h"
#include "platform/ini.h"

namespace morvane {

std::string NameValueList::Get(std::string_view name) const {
  for (const auto& [key, value] : entries_) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return {};
}

void NameValueList::Set(std::string_view name, std::string_view value) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (!EqualsIgnoreCase(it->first, name)) continue;
    if (value.empty()) {
      entries_.erase(it);
    } else {
      it->first = name;
      it->second = value;
    }
    return;
  }
  if (!value.empty()) entries_.emplace_back(name, value);
}

namespace {

NameValueList g_parameters;
NameValueList g_aliases;
RunSettingsRecord g_settings;

}  // namespace

NameValueList& ParameterStore() {
  return g_parameters;
}

NameValueList& AliasTable() {
  return g_aliases;
}

void AddAlias(std::string_view shortName, std::string_view longName) {
  g_aliases.Set(shortName, longName);
}

void SetDefault(std::string_view name, std::string_view value) {
  if (g_parameters.Get(name).empty()) g_parameters.Set(name, value);
}

std::string GetParam(std::string_view name) {
  return g_parameters.Get(name);
}

std::int32_t GetIntParam(std::string_view name) {
  return ParseIntText(g_parameters.Get(name));
}

void SetParam(std::string_view name, std::string_view value) {
  g_parameters.Set(name, value);
}

std::int32_t ParseIntText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return 0;
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0 || value > 0x0FFFFFFFu) return 0;
      value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    // Two's complement: the negation wraps like the 32-bit register it stands for.
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  if (i == text.size()) return 0;
  // The magnitude may reach 2^31 only for a negative number.
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > limit) return 0;
  }
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                            : static_cast<std::int64_t>(value));
}

const RunSettingsRecord& RunSettings() {
  return g_settings;
}

bool ValidateSettings() {
  // Each value is stored before it is tested; the 0-or-1 tests are unsigned, so negative values
  // fail them.
  g_settings.BinaryTransparency =
      static_cast<std::uint32_t>(GetIntParam("use_binary_transparency"));
  if (g_settings.BinaryTransparency > 1) {
    ConsoleLine("bad use_binary_transparency value. Must be 0 or 1");
    return false;
  }
  g_settings.UseLZW = static_cast<std::uint32_t>(GetIntParam("use_lzw"));
  if (g_settings.UseLZW > 1) {
    ConsoleLine("bad use_lzw value. Must be 0 or 1");
    return false;
  }
  g_settings.Threshold = static_cast<std::uint32_t>(GetIntParam("treshold"));
  if (g_settings.Threshold < 1 || g_settings.Threshold > 256) {
    ConsoleLine("bad treshold value. Must be between 1 and 256");
    return false;
  }
  g_settings.BackgroundColor = ColorByName(GetParam("bgcolor"));
  if (g_settings.BackgroundColor == kBadColor) {
    ConsoleLine("bad bgColor value");
    return false;
  }
  g_settings.StaticAnims = static_cast<std::uint32_t>(GetIntParam("static_anims"));
  if (g_settings.StaticAnims > 1) {
    ConsoleLine("bad static_anims value. Must be 0 or 1");
    return false;
  }
  g_settings.Dithering = static_cast<std::uint32_t>(GetIntParam("dithering"));
  if (g_settings.Dithering > 1) {
    ConsoleLine("bad dithering value. Must be 0 or 1");
    return false;
  }
  return true;
}

void ResetParameters() {
  g_parameters.Clear();
  g_aliases.Clear();
  g_settings = RunSettingsRecord{};
}

}  // namespace morvane
