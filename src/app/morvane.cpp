#include "app/morvane.h"

#include "app/convert_file.h"
#include "params/command_line.h"
#include "params/params.h"
#include "params/version.h"
#include "platform/console.h"

namespace morvane {

std::int32_t FilesProcessed = 0;
std::int32_t ErrorCount = 0;

namespace {

constexpr const char* kCredits = "  by the morvane developers";

constexpr const char* kUsage[] = {
    "Usage: morvane <option>|<file[::sequence]>|<@listfile[::sequence]>",
    "Options (see morvane.cfg for description):",
    "\t-b\tor\t-use_binary_transparency",
    "\t-bg\tor\t-bgColor",
    "\t-t\tor\t-treshold",
    "\t-l\tor\t-use_LZW",
    "\t-s\tor\t-static_anims",
    "\t-d\tor\t-dithering",
    "Every option only affects the files, specified after the option.",
    "Example:",
    "  dir /s/b *.spr > sprs.lst",
    "  morvane @sprs.lst",
    "\tconvert all SPR files in the current directory and below to GIF format",
    "\tusing the default parameters. GIFs are placed in the subdirectories",
    "\tnamed as sprite files. These subdirectories are located in the same",
    "\tdirectory as the original SPRs.",
};

}  // namespace

void ResetRunCounters() {
  FilesProcessed = 0;
  ErrorCount = 0;
}

void RegisterOptions() {
  AddAlias("b", "use_binary_transparency");
  AddAlias("l", "use_lzw");
  AddAlias("bg", "bgcolor");
  AddAlias("t", "treshold");
  AddAlias("a", "anim_speed");
  AddAlias("s", "static_anims");
  AddAlias("d", "dithering");

  // anim_speed is accepted and echoed like every option, but nothing reads it.
  SetDefault("use_binary_transparency", "0");
  SetDefault("use_lzw", "1");
  SetDefault("treshold", "128");
  SetDefault("bgColor", "#000000");
  SetDefault("anim_speed", "100");
  SetDefault("static_anims", "0");
  SetDefault("dithering", "1");
}

int RunMorvane(const std::vector<std::string>& arguments, const std::string& configPath) {
  ConsoleLine(std::string("Morvane mass converter ") + kProgramVersion + kCredits);
  if (arguments.empty()) {
    for (const char* line : kUsage) ConsoleLine(line);
    ConsoleFlush();
    return 0;
  }
  RegisterOptions();
  if (WalkArguments(configPath, arguments, ConvertFile, ValidateSettings)) {
    ConsoleLine(std::to_string(FilesProcessed) + " file(s) processed");
    if (ErrorCount > 0) ConsoleLine(std::to_string(ErrorCount) + " error(s) encountered");
  }
  ConsoleFlush();
  return 0;
}

}  // namespace morvane
