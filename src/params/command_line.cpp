#include "params/command_line.h"

#include <exception>

#include "params/params.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/ini.h"

namespace morvane {

void LoadConfigFile(const std::string& configPath) {
  if (!FileExists(configPath)) return;
  for (const auto& [key, value] : ReadIniSection(configPath, kConfigSection)) {
    SetParam(key, value);
  }
}

void ReadListFile(const std::string& argument, const ConvertFileCallback& convertFile) {
  const std::size_t split = argument.find("::");
  const std::string name = argument.substr(0, split);
  const std::string suffix = split == std::string::npos ? std::string() : argument.substr(split);
  try {
    for (const std::string& line : ReadTextLines(name)) {
      if (line.find("::") == std::string::npos) {
        convertFile(line + suffix, true);
      } else {
        convertFile(line, true);
      }
    }
  } catch (const std::exception& e) {
    ConsoleLine("Error in list file '" + name + "': " + e.what());
  }
}

namespace {

// Applies one "-name[=value]" argument; false when the run must end.
bool ApplyOption(const std::string& argument, const ValidateCallback& validate) {
  const std::string rest = argument.substr(1);
  const std::size_t eq = rest.find('=');
  std::string name = rest.substr(0, eq);
  const std::string value = eq == std::string::npos ? std::string("1") : rest.substr(eq + 1);
  const std::string longName = AliasTable().Get(name);
  if (!longName.empty()) name = longName;
  if (GetParam(name).empty()) {
    ConsoleLine("Error: bad parameter: " + argument);
    return false;
  }
  ConsoleLine(name + "=" + value);
  SetParam(name, value);
  return validate();
}

}  // namespace

bool WalkArguments(const std::string& configPath, const std::vector<std::string>& arguments,
                   const ConvertFileCallback& convertFile, const ValidateCallback& validate) {
  LoadConfigFile(configPath);
  if (!validate()) return false;
  for (const std::string& argument : arguments) {
    if (!argument.empty() && argument.front() == '-') {
      if (!ApplyOption(argument, validate)) return false;
    } else if (!argument.empty() && argument.front() == '@') {
      ReadListFile(argument.substr(1), convertFile);
    } else {
      // An empty argument reaches the per-file job as an empty spec, which it skips.
      convertFile(argument, false);
    }
  }
  return true;
}

}  // namespace morvane
