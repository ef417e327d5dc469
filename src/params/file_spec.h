// The parts of a file spec "file[::pattern]" and where its GIFs go.
#pragma once

#include <string>

namespace morvane {

struct FileSpec {
  std::string file_name;         // text before the first "::"
  std::string pattern;           // text after it, "*" when there is no "::"
  std::string base_name;         // file name without directory and extension
  std::string output_directory;  // no trailing separator
};

// The file name after its directory part, without the extension: the text from the last "."
// of that name ("dir/a.b.spr" gives "a.b"; a name without a "." stays whole).
std::string BaseName(const std::string& file_name);

// The folder a base name's GIFs go to: the base name, with "_" in front when it is empty or
// made only of dots, so that it names a folder of its own.
std::string FolderName(const std::string& base_name);

// Splits a spec and derives its output directory: the base name in the working directory for a
// spec from the command line, whatever path the file has; for a spec from a list file, the
// directory part of the file name (up to its last separator) + base name, beside the sprite; the
// base name as FolderName gives it.
FileSpec ParseFileSpec(const std::string& spec, bool from_list);

}  // namespace morvane
