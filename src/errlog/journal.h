// The journal of one run's block of the error log: a file beside the log that takes the
// block's lines as they are written, so that they outlive the run, and from which the whole
// block is appended to the log at the run's end. Runs that share a log thus append whole
// blocks to it, never interleaving their lines, and none holds the log for longer than the
// append of one block.
//
// A journal is named "<log>.<process id>.<eight random letters>.journal" and stays locked by its
// run for as long as the run keeps it. One whose lock can be taken belongs to a run that ended
// without appending it (it was killed): the next run that writes a record appends it, whole,
// in its stead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/shared_file.h"

namespace morvane {

class Journal {
 public:
  // Starts an empty journal beside the log at log_path; nullopt where none can be kept (the
  // directory refuses the file, or its file system keeps no locks).
  static std::optional<Journal> Start(const std::string& log_path);

  // Adds text to the journal; false when not all of it could be written.
  bool Write(std::string_view text);

  // Appends the whole journal to the existing log at log_path and removes the journal. False
  // when the log did not take all of it; the journal then stays, for a later run to append.
  bool AppendTo(const std::string& log_path);

  // Appends to the log at log_path, which this journal is beside, the journals that other runs
  // ended without appending, each whole and in the order the directory lists them, and removes
  // them. False when the log did not take one of them all; that journal then stays for a later
  // run.
  bool AppendOrphans(const std::string& log_path) const;

 private:
  Journal(SharedFile file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

  SharedFile file_;   // open and locked for the journal's life
  std::string path_;  // where it stands
};

}  // namespace morvane
