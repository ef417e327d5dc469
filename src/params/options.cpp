#include "params/options.h"

#include <algorithm>

namespace morvane {

namespace {

constexpr const char* kUsageHead[] = {
    "Usage: morvane <option>|<file[::sequence]>|<@listfile[::sequence]>",
    "Options (see morvane.cfg for description):",
};

constexpr const char* kUsageTail[] = {
    "Every option only affects the files, specified after the option.",
    "Example:",
    "  dir /s/b *.spr > sprs.lst",
    "  morvane @sprs.lst",
    "\tconvert all SPR files in the current directory and below to GIF format",
    "\tusing the default parameters. GIFs are placed in the subdirectories",
    "\tnamed as sprite files. These subdirectories are located in the same",
    "\tdirectory as the original SPRs.",
};

constexpr std::int32_t kMinThreshold = 1;
constexpr std::int32_t kMaxThreshold = 256;

}  // namespace

namespace option_steps {

bool Threshold(std::string_view text, const ColorNames& /*colors*/, RunSettingsRecord& settings) {
  const std::int32_t value = ParseIntText(text);
  if (value < kMinThreshold || value > kMaxThreshold) return false;
  settings.threshold = value;
  return true;
}

bool Background(std::string_view text, const ColorNames& colors, RunSettingsRecord& settings) {
  const ColorValue value = colors.ColorOf(text);
  if (value == kBadColor) return false;
  settings.background_color = value;
  return true;
}

bool AnimSpeed(std::string_view text, const ColorNames& /*colors*/, RunSettingsRecord& settings) {
  settings.anim_speed = static_cast<std::uint32_t>(ParseIntText(text));
  return true;
}

bool Outputs(std::string_view text, const ColorNames& /*colors*/, RunSettingsRecord& settings) {
  const std::optional<OutputFormats> formats = ParseOutputFormats(text);
  if (!formats) return false;
  settings.output_formats = *formats;
  return true;
}

}  // namespace option_steps

void RegisterOptions(ParameterStore& store) {
  for (const Option& option : kOptions) store.AddAlias(option.alias, option.alias_target);
  for (const Option& option : kOptions) store.SetDefault(option.name, option.default_value);
}

std::vector<std::string> UsageLines() {
  std::vector<std::string> lines(std::begin(kUsageHead), std::end(kUsageHead));
  for (const std::string_view alias : kUsageOrder) {
    for (const Option& option : kOptions) {
      if (option.alias == alias) lines.emplace_back(option.usage_line);
    }
  }
  lines.insert(lines.end(), std::begin(kUsageTail), std::end(kUsageTail));
  return lines;
}

std::vector<std::string> OptionHelpLines() {
  constexpr std::size_t kGap = 2;
  std::size_t short_width = 0, long_width = 0, default_width = 0;
  for (const Option& option : kOptions) {
    short_width = std::max(short_width, 1 + option.alias.size());
    long_width = std::max(long_width, 1 + option.name.size());
    default_width = std::max(default_width, option.default_value.size());
  }
  const auto column = [](std::string& line, std::string_view text, std::size_t width) {
    line += text;
    line.append(width + kGap - text.size(), ' ');
  };
  std::vector<std::string> lines;
  for (const Option& option : kOptions) {
    std::string line(kGap, ' ');
    column(line, "-" + std::string(option.alias), short_width);
    column(line, "-" + std::string(option.name), long_width);
    column(line, option.default_value, default_width);
    line += option.meaning;
    lines.push_back(std::move(line));
  }
  return lines;
}

bool ValidateSettings(const ParameterStore& store, const ColorNames& colors,
                      RunSettingsRecord& settings, Console& console) {
  for (const Option& option : kOptions) {
    if (!option.apply(store.Get(option.name), colors, settings)) {
      console.Line(option.bad_value_message);
      return false;
    }
  }
  return true;
}

}  // namespace morvane
