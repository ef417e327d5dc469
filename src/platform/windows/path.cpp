#include "platform/path.h"

#include <algorithm>

#include "wide.h"

namespace morvane {

namespace {

constexpr char kSeparator = '\\';

// A file name splits at its last "\", "/" or ":" (a drive letter's colon).
std::size_t LastSeparator(std::string_view path) {
  return path.find_last_of("\\/:");
}

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

std::string DirectoryPart(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  return separator == std::string_view::npos ? std::string()
                                             : std::string(path.substr(0, separator + 1));
}

std::string FileNamePart(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  path += kSeparator;
  path += name;
  return path;
}

std::string InWorkingDirectory(std::string_view name) {
  return JoinPath(".", name);
}

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
