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
#include "platform/signals.h"
#include "platform/worker_count.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = morvane::ProgramArguments(argc, argv);
  // The error log's date and time follow the user's locale.
  std::setlocale(LC_TIME, "");
  morvane::Signals::Install();
  const std::string program_directory = morvane::ProgramDirectory();
  morvane::StandardOutput console;
  morvane::RunContext context(console, program_directory + morvane::kErrorLogFile,
                              morvane::FallbackErrorLogPath(morvane::EnvironmentValue));
  context.worker_threads = morvane::WorkerThreadCount();
  int exit_code = 0;
  try {
    context.color_names =
        morvane::ColorNames::FromFile(program_directory + morvane::kColorNamesFile);
    exit_code = morvane::RunMorvane(context, arguments, program_directory + morvane::kConfigFile);
  } catch (const morvane::Interrupted& interrupted) {
    // The file being converted is dropped uncounted and no summary is printed; the error log's
    // block is still closed, then the process ends by the signal.
    context.error_log.Close(console);
    morvane::Signals::EndBy(interrupted.SignalNumber());
  }
  context.error_log.Close(console);
  return exit_code;
}
