#include "params/file_spec.h"

#include "params/command_line.h"
#include "platform/path.h"

namespace morvane {

std::string BaseName(const std::string& file_name) {
  std::string name = FileNamePart(file_name);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

std::string FolderName(const std::string& base_name) {
  // "", "." and ".." are the working folder or its parent, never a folder of the file's own.
  if (base_name.find_first_not_of('.') == std::string::npos) return "_" + base_name;
  return base_name;
}

FileSpec ParseFileSpec(const std::string& spec, bool from_list) {
  FileSpec parts;
  const std::size_t split = spec.find(kPatternSeparator);
  parts.file_name = spec.substr(0, split);
  parts.pattern =
      split == std::string::npos ? std::string("*") : spec.substr(split + kPatternSeparator.size());
  parts.base_name = BaseName(parts.file_name);
  const std::string folder = SafeFolderName(FolderName(parts.base_name));
  parts.output_directory =
      from_list ? DirectoryPart(parts.file_name) + folder : InWorkingDirectory(folder);
  return parts;
}

}  // namespace morvane
