#include "params/file_spec.h"

#include "params/command_line.h"

namespace morvane {

std::string BaseName(const std::string& file_name) {
  const std::size_t slash = file_name.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = file_name.rfind('.');
  const std::size_t end = (dot == std::string::npos || dot < start) ? file_name.size() : dot;
  return file_name.substr(start, end - start);
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
  if (from_list) {
    const std::size_t slash = parts.file_name.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : parts.file_name.substr(0, slash + 1);
    parts.output_directory = directory + FolderName(parts.base_name);
  } else {
    parts.output_directory = "./" + FolderName(parts.base_name);
  }
  return parts;
}

}  // namespace morvane
