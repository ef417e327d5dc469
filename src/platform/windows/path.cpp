#include "platform/path.h"

#include <algorithm>

#include "platform/path_separators.h"
#include "wide.h"

namespace morvane {

const char path_separators::kJoin = '\\';

// A file name splits at its last "\", "/" or ":" (a drive letter's colon).
std::size_t path_separators::Last(std::string_view path) {
  return path.find_last_of("\\/:");
}

namespace {

// No character Windows refuses in a name, and no device name.
std::string WindowsSafeName(std::string name) {
  std::replace_if(
      name.begin(), name.end(),
      [](char c) {
        return (c >= 0 && c < 0x20) || c == '/' || c == '\\' || c == '<' || c == '>' || c == ':' ||
               c == '"' || c == '|' || c == '?' || c == '*';
      },
      '_');
  if (windows::IsDeviceName(name)) name.insert(0, "_");
  return name;
}

}  // namespace

bool IsAbsolutePath(std::string_view path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && path[1] == ':' && separator(path[2])) return true;
  return path.size() >= 2 && separator(path[0]) && separator(path[1]);
}

std::string SafeFileName(std::string_view name) {
  return WindowsSafeName(std::string(name));
}

std::string SafeFolderName(std::string_view base_name) {
  // A folder's name ends where it is written, and Windows would drop a trailing dot or blank.
  std::string name = WindowsSafeName(std::string(base_name));
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
  return name;
}

std::string UserStateFile(std::string_view application, std::string_view file,
                          const EnvironmentLookup& environment) {
  const std::optional<std::string> local_app_data = environment("LOCALAPPDATA");
  if (!local_app_data || !IsAbsolutePath(*local_app_data)) return {};
  return JoinPath(JoinPath(*local_app_data, application), file);
}

std::string UserStateFileText(std::string_view application, std::string_view file) {
  return JoinPath(JoinPath("%LOCALAPPDATA%", application), file);
}

}  // namespace morvane
