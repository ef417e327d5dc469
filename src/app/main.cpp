// The morvane executable: wires the subsystems together and runs the converter.
#include <clocale>
#include <string>
#include <vector>

#include "app/morvane.h"
#include "errlog/errlog.h"
#include "params/colors.h"
#include "params/command_line.h"
#include "platform/fs.h"

int main(int argc, char** argv) {
  // The error log's date and time follow the user's locale.
  std::setlocale(LC_TIME, "");
  const std::string programDirectory = morvane::ProgramDirectory();
  morvane::SetErrorLogPath(programDirectory + morvane::kErrorLogFile);
  morvane::LoadColorNames(programDirectory + morvane::kColorNamesFile);

  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int exitCode = morvane::RunMorvane(arguments, programDirectory + morvane::kConfigFile);
  morvane::CloseErrorLog();
  return exitCode;
}
