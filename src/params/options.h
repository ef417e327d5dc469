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

// How validation reads and tests an option's value.
enum class OptionCheck {
  kInteger,    // an integer, stored and never refused
  kZeroOrOne,  // an integer, 0 or 1 compared unsigned (negative values fail)
  kThreshold,  // an integer from 1 to 256
  kColor,      // a colour text or a colour name
};

struct Option {
  std::string_view name;          // the long name, as its default is stored under it
  std::string_view alias;         // the short name
  std::string_view alias_target;  // the long name the short name stands for, as echoed
  std::string_view default_value;
  OptionCheck check;
  std::uint32_t RunSettingsRecord::*setting;  // where validation stores it
  std::string_view bad_value_message;         // printed when the check fails; empty for kInteger
  std::string_view usage_line;                // its line in the usage text; empty for none
  std::string_view meaning;                   // what it does, for a reader of the help
};

// The order of this table is the order of registration and of validation: when several values
// are bad, the message of the first one in this order is the one printed.
inline constexpr std::array<Option, 7> kOptions = {{
    {"use_binary_transparency", "b", "use_binary_transparency", "0", OptionCheck::kZeroOrOne,
     &RunSettingsRecord::binary_transparency, "bad use_binary_transparency value. Must be 0 or 1",
     "\t-b\tor\t-use_binary_transparency",
     "1: every pixel is drawn fully or not at all, by the threshold, and the background colour "
     "is transparent in the GIFs; 0: pixels are blended with the background"},
    {"use_lzw", "l", "use_lzw", "1", OptionCheck::kZeroOrOne, &RunSettingsRecord::use_lzw,
     "bad use_lzw value. Must be 0 or 1", "\t-l\tor\t-use_LZW",
     "1: LZW-compressed GIF frames; 0: run-length coded frames"},
    {"treshold", "t", "treshold", "128", OptionCheck::kThreshold, &RunSettingsRecord::threshold,
     "bad treshold value. Must be between 1 and 256", "\t-t\tor\t-treshold",
     "alpha threshold for binary transparency, 1 to 256: a pixel whose alpha is at least the "
     "threshold is drawn"},
    // Set under "bgColor", while its short name stands for (and echoes) "bgcolor".
    {"bgColor", "bg", "bgcolor", "#000000", OptionCheck::kColor,
     &RunSettingsRecord::background_color, "bad bgColor value", "\t-bg\tor\t-bgColor",
     "background colour of every frame: #RRGGBB, #RGB or a name from colors.cfg"},
    // Read as an integer but never refused: a value outside the range simply writes no delay.
    {"anim_speed", "a", "anim_speed", "100", OptionCheck::kInteger, &RunSettingsRecord::anim_speed,
     "", "",
     "time of one frame in milliseconds, 1 to 655350; the default 100 and any value outside "
     "that range write no delay"},
    {"static_anims", "s", "static_anims", "0", OptionCheck::kZeroOrOne,
     &RunSettingsRecord::static_anims, "bad static_anims value. Must be 0 or 1",
     "\t-s\tor\t-static_anims",
     "1: every frame is placed at the top left of the GIF, ignoring the frame positions in the "
     "sprite"},
    {"dithering", "d", "dithering", "1", OptionCheck::kZeroOrOne, &RunSettingsRecord::dithering,
     "bad dithering value. Must be 0 or 1", "\t-d\tor\t-dithering",
     "1: dither while reducing frames to 256 colours; 0: take the nearest colour"},
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

// Copies the store's values into settings in table order, storing each value before testing
// it. At the first invalid value it prints that option's message line and returns false.
bool ValidateSettings(const ParameterStore& store, const ColorNames& colors,
                      RunSettingsRecord& settings, Console& console);

}  // namespace morvane
