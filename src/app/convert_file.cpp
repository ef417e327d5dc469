#include "app/convert_file.h"

#include <exception>

#include "app/file_spec.h"
#include "app/morvane.h"
#include "platform/console.h"
#include "platform/file.h"

namespace morvane {

// TEMPORARY: this job only opens the sprite file and reports on it; the sprite conversion
// replaces the body. A file that opens counts as an error, never as processed, so no run can
// report a conversion that did not happen.
void ConvertFile(const std::string& fileSpec, bool fromList) {
  const FileSpec spec = ParseFileSpec(fileSpec, fromList);
  if (spec.FileName.empty()) return;
  ConsoleWrite("Parsing '" + spec.BaseName + "'");
  ConsoleFlush();
  std::string message;
  try {
    const auto file = DiskFile::Open(spec.FileName);
    message = "\tError: sprite conversion is not available yet";
  } catch (const std::exception& e) {
    message = std::string("\tError: ") + e.what();
  }
  ++ErrorCount;
  ConsoleLine(message);
}

}  // namespace morvane
