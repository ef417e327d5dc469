#include "platform/path.h"

#include "platform/path_separators.h"

namespace morvane {

std::string DirectoryPart(std::string_view path) {
  const std::size_t separator = path_separators::Last(path);
  return separator == std::string_view::npos ? std::string()
                                             : std::string(path.substr(0, separator + 1));
}

std::string FileNamePart(std::string_view path) {
  const std::size_t separator = path_separators::Last(path);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  path += path_separators::kJoin;
  path += name;
  return path;
}

std::string InWorkingDirectory(std::string_view name) {
  return JoinPath(".", name);
}

}  // namespace morvane
