#include "app/file_spec.h"

namespace morvane {

std::string BaseName(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.rfind('.');
  const std::size_t end = (dot == std::string::npos || dot < start) ? fileName.size() : dot;
  return fileName.substr(start, end - start);
}

FileSpec ParseFileSpec(const std::string& spec, bool fromList) {
  FileSpec parts;
  const std::size_t split = spec.find("::");
  parts.FileName = spec.substr(0, split);
  parts.Pattern = split == std::string::npos ? std::string("*") : spec.substr(split + 2);
  parts.BaseName = BaseName(parts.FileName);
  if (fromList) {
    const std::size_t slash = parts.FileName.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : parts.FileName.substr(0, slash + 1);
    parts.OutputDirectory = directory + parts.BaseName;
  } else {
    parts.OutputDirectory = "./" + parts.BaseName;
  }
  return parts;
}

}  // namespace morvane
