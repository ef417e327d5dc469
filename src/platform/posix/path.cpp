#include "platform/path.h"

#include <algorithm>

#include "platform/path_separators.h"

namespace morvane {

const char path_separators::kJoin = '/';

std::size_t path_separators::Last(std::string_view path) {
  return path.rfind('/');
}

bool IsAbsolutePath(std::string_view path) {
  return path.starts_with('/');
}

std::string SafeFileName(std::string_view name) {
  std::string safe(name);
  // "\" too, so that names stay the same wherever the files are later copied.
  std::replace_if(
      safe.begin(), safe.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; }, '_');
  return safe;
}

std::string SafeFolderName(std::string_view base_name) {
  return std::string(base_name);
}

std::string UserStateFile(std::string_view application, std::string_view file,
                          const EnvironmentLookup& environment) {
  const std::optional<std::string> xdg_state_home = environment("XDG_STATE_HOME");
  const std::optional<std::string> home = environment("HOME");
  const std::string below = JoinPath(JoinPath("", application), file);
  if (xdg_state_home && IsAbsolutePath(*xdg_state_home)) return *xdg_state_home + below;
  if (home && !home->empty()) return *home + "/.local/state" + below;
  return {};
}

std::string UserStateFileText(std::string_view application, std::string_view file) {
  const std::string below = JoinPath(JoinPath("", application), file);
  return "$XDG_STATE_HOME" + below + " (XDG_STATE_HOME an absolute path), else $HOME/.local/state" +
         below;
}

}  // namespace morvane
