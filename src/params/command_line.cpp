#include "params/command_line.h"

#include <exception>

#include "core/ascii.h"
#include "params/ini.h"
#include "platform/fs.h"

namespace morvane {

namespace {

// Applies one "-name[=value]" argument; false when the run must end.
bool ApplyOption(const std::string& argument, ParameterStore& store, Console& console,
                 const ValidateCallback& validate) {
  const std::string rest = argument.substr(1);
  const std::size_t eq = rest.find('=');
  std::string name = rest.substr(0, eq);
  // "-name" alone sets the value 1.
  const std::string value = eq == std::string::npos ? std::string("1") : rest.substr(eq + 1);
  const std::string long_name = store.LongName(name);
  if (!long_name.empty()) name = long_name;
  if (store.Get(name).empty()) {
    console.Line("Error: bad parameter: " + argument);
    return false;
  }
  console.Line(name + "=" + value);
  store.Set(name, value);
  return validate();
}

}  // namespace

void LoadConfigFile(const std::string& config_path, ParameterStore& store) {
  if (!FileExists(config_path)) return;
  for (const auto& [key, value] : ReadIniSection(config_path, kConfigSection)) {
    store.Set(key, value);
  }
}

void ReadListFile(const std::string& argument, const ConvertFileCallback& convert_file,
                  Console& console) {
  const std::size_t split = argument.find(kPatternSeparator);
  const std::string name = argument.substr(0, split);
  const std::string suffix = split == std::string::npos ? std::string() : argument.substr(split);
  try {
    for (const std::string& line : ReadTextLines(name, kListFileBounds)) {
      if (line.find(kPatternSeparator) == std::string::npos) {
        convert_file(line + suffix, true);
      } else {
        convert_file(line, true);
      }
    }
  } catch (const std::exception& e) {
    console.Line("Error in list file '" + ShownName(name) + "': " + e.what());
  }
}

bool WalkArguments(const std::string& config_path, const std::vector<std::string>& arguments,
                   ParameterStore& store, Console& console, const ConvertFileCallback& convert_file,
                   const ValidateCallback& validate) {
  LoadConfigFile(config_path, store);
  if (!validate()) return false;
  for (const std::string& argument : arguments) {
    if (!argument.empty() && argument.front() == '-') {
      if (!ApplyOption(argument, store, console, validate)) return false;
    } else if (!argument.empty() && argument.front() == '@') {
      ReadListFile(argument.substr(1), convert_file, console);
    } else {
      // An empty argument reaches the per-file job as an empty spec, which it skips.
      convert_file(argument, false);
    }
  }
  return true;
}

}  // namespace morvane
