// The morvane executable: wires the subsystems together and runs the converter.
#include <clocale>
#include <string>
#include <vector>

#include "app/run.h"
#include "params/colors.h"
#include "params/command_line.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/fs.h"

int main(int argc, char** argv) {
  // The error log's date and time follow the user's locale.
  std::setlocale(LC_TIME, "");
  const std::string program_directory = morvane::ProgramDirectory();
  morvane::StandardOutput console;
  morvane::RunContext context(
      console, program_directory + morvane::kErrorLogFile,
      morvane::FallbackErrorLogPath(morvane::EnvironmentValue("XDG_STATE_HOME"),
                                    morvane::EnvironmentValue("HOME")));
  context.color_names = morvane::ColorNames::FromFile(program_directory + morvane::kColorNamesFile);

  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int exit_code =
      morvane::RunMorvane(context, arguments, program_directory + morvane::kConfigFile);
  context.error_log.Close(console);
  return exit_code;
}
