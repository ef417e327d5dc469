// The converter's options in one table: names, defaults, checks, usage lines and meanings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/colors.h"
#include "params/parameter_store.h"
#include "params/run_settings.h"
#include "platform/console.h"

namespace morvane {

// Reads an option's value text into its place in the settings. Returns false when the value is
// refused, which leaves the settings as they were. A missing value reads as the empty text.
using OptionStep = bool (*)(std::string_view text, const ColorNames& colors,
                            RunSettingsRecord& settings);

// The steps of the table's rows, one for each kind of value.
namespace option_steps {

// An integer that must be 0 or 1 compared unsigned (negative values fail), stored as off or on.
template <auto kField, auto kOff, auto kOn>
bool ZeroOrOne(std::string_view text, const ColorNames& /*colors*/, RunSettingsRecord& settings) {
  const auto value = static_cast<std::uint32_t>(ParseIntText(text));
  if (value > 1) return false;
  settings.*kField = value == 1 ? kOn : kOff;
  return true;
}

// An integer from 1 to 256.
bool Threshold(std::string_view text, const ColorNames& colors, RunSettingsRecord& settings);
// A colour text or a colour name.
bool Background(std::string_view text, const ColorNames& colors, RunSettingsRecord& settings);
// An integer, stored as its 32 bits and never refused.
bool AnimSpeed(std::string_view text, const ColorNames& colors, RunSettingsRecord& settings);
// A list of output formats (ParseOutputFormats).
bool Outputs(std::string_view text, const ColorNames& colors, RunSettingsRecord& settings);

}  // namespace option_steps

struct Option {
  std::string_view name;          // the long name, as its default is stored under it
  std::string_view alias;         // the short name
  std::string_view alias_target;  // the long name the short name stands for, as echoed
  std::string_view default_value;
  OptionStep apply;                    // how validation reads, tests and stores it
  std::string_view bad_value_message;  // printed when the step refuses; empty when it never does
  std::string_view usage_line;         // its line in the usage text; empty for none
  std::string_view meaning;            // what it does, for a reader of the help
};

// The order of this table is the order of registration and of validation: when several values
// are bad, the message of the first one in this order is the one printed.
inline constexpr std::array<Option, 8> kOptions = {{
    {"use_binary_transparency", "b", "use_binary_transparency", "0",
     option_steps::ZeroOrOne<&RunSettingsRecord::binary_transparency, false, true>,
     "bad use_binary_transparency value. Must be 0 or 1", "\t-b\tor\t-use_binary_transparency",
     "1: every pixel is drawn fully or not at all, by the threshold, and the background colour "
     "is transparent in the GIFs; 0: pixels are blended with the background"},
    {"use_lzw", "l", "use_lzw", "1",
     option_steps::ZeroOrOne<&RunSettingsRecord::frame_coding, FrameCoding::kRunLength,
                             FrameCoding::kLzw>,
     "bad use_lzw value. Must be 0 or 1", "\t-l\tor\t-use_LZW",
     "1: LZW-compressed GIF frames; 0: run-length coded frames"},
    {"treshold", "t", "treshold", "128", option_steps::Threshold,
     "bad treshold value. Must be between 1 and 256", "\t-t\tor\t-treshold",
     "alpha threshold for binary transparency, 1 to 256: a pixel whose alpha is at least the "
     "threshold is drawn"},
    // Set under "bgColor", while its short name stands for (and echoes) "bgcolor".
    {"bgColor", "bg", "bgcolor", "#000000", option_steps::Background, "bad bgColor value",
     "\t-bg\tor\t-bgColor",
     "background colour of every frame: #RRGGBB, #RGB or a name from colors.cfg"},
    // Read as an integer but never refused: a value outside the range simply writes no delay.
    {"anim_speed", "a", "anim_speed", "100", option_steps::AnimSpeed, "", "",
     "time of one frame in milliseconds, 1 to 655350; the default 100 and any value outside "
     "that range write no delay"},
    {"static_anims", "s", "static_anims", "0",
     option_steps::ZeroOrOne<&RunSettingsRecord::static_anims, false, true>,
     "bad static_anims value. Must be 0 or 1", "\t-s\tor\t-static_anims",
     "1: every frame is placed at the top left of the GIF, ignoring the frame positions in the "
     "sprite"},
    {"dithering", "d", "dithering", "1",
     option_steps::ZeroOrOne<&RunSettingsRecord::dithering, DitherMethod::kNearest,
                             DitherMethod::kFloydSteinberg>,
     "bad dithering value. Must be 0 or 1", "\t-d\tor\t-dithering",
     "1: dither while reducing frames to 256 colours; 0: take the nearest colour"},
    // Not in the usage text, which keeps its sixteen lines.
    {"output_formats", "f", "output_formats", "gif", option_steps::Outputs,
     kBadOutputFormatsMessage, "", kOutputFormatsMeaning},
}};

// The order of the options' lines in the usage text, by short name.
inline constexpr std::array<std::string_view, 6> kUsageOrder = {"b", "bg", "t", "l", "s", "d"};

// Adds every option's short name and then every default, in table order.
void RegisterOptions(ParameterStore& store);

// The usage text shown when the converter runs without arguments, line by line.
std::vector<std::string> UsageLines();

// One line per option, in table order, for the help text: short name, long name, default and
// meaning in aligned columns.
std::vector<std::string> OptionHelpLines();

// Copies the store's values into settings in table order, each through its row's step. At the
// first invalid value it prints that option's message line and returns false; the values before
// it are stored, that one and those after it are not.
bool ValidateSettings(const ParameterStore& store, const ColorNames& colors,
                      RunSettingsRecord& settings, Console& console);

}  // namespace morvane
