#include "platform/path.h"

#include <algorithm>
#include <array>

namespace morvane {

namespace {

constexpr char kSeparator = '\\';

// A file name splits at its last "\", "/" or ":" (a drive letter's colon).
std::size_t LastSeparator(std::string_view path) {
  return path.find_last_of("\\/:");
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when the name's part before its first "." is a device name of any case: such a name
// opens the device instead of a file.
bool IsDeviceName(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  std::transform(stem.begin(), stem.end(), stem.begin(), AsciiUpper);
  constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

// The rules every name in an output path follows: no character Windows refuses in a name, no
// device name, no trailing dot or blank (which Windows would drop).
std::string WindowsSafeName(std::string name) {
  std::replace_if(
      name.begin(), name.end(),
      [](char c) {
        return (c >= 0 && c < 0x20) || c == '/' || c == '\\' || c == '<' || c == '>' || c == ':' ||
               c == '"' || c == '|' || c == '?' || c == '*';
      },
      '_');
  if (IsDeviceName(name)) name.insert(0, "_");
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
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
  return WindowsSafeName(std::string(base_name));
}

std::string UserStateFile(std::string_view application, std::string_view file,
                          const EnvironmentLookup& environment) {
  const std::optional<std::string> local_app_data = environment("LOCALAPPDATA");
  if (!local_app_data || !IsAbsolutePath(*local_app_data)) return {};
  return JoinPath(JoinPath(*local_app_data, application), file);
}

}  // namespace morvane
