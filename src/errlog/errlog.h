// The error log: an append-only "errors.log" beside the executable that collects the parse
// errors and internal errors of a run, so that they can be sent to the maintainers. Where the
// program's directory cannot take it, the log goes to the user's state directory instead. Many
// runs at once may share one log; each run's block stands whole in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "errlog/journal.h"
#include "platform/console.h"
#include "platform/path.h"

namespace morvane {

inline constexpr const char* kErrorLogFile = "errors.log";
// Where users are asked to send the log.
inline constexpr const char* kErrorLogContact = "morvane-bugs@example.org";

// Where error-log records go: each is one record's text, without the log's own framing.
class LogSink {
 public:
  virtual void Record(std::string_view text) = 0;

 protected:
  ~LogSink() = default;
};

// Where the log goes when errors.log beside the program cannot be opened for appending: the
// user's state file morvane/errors.log (UserStateFile) found through the environment; empty
// when there is no such place.
std::string FallbackErrorLogPath(const EnvironmentLookup& environment);

// The error log of one run, in the file at the path it is made with, or at fallback_path (when
// not empty) for a block that cannot start at path. Runs that share the file append whole
// blocks to it: a block's lines go to a journal of the run's own beside the log as they are
// written (see journal.h), and the whole block is appended to the log when it closes. Where no
// journal can be kept (a directory that takes no new files, a file system without locks), each
// line is appended to the log as it is written.
class ErrorLog final : public LogSink {
 public:
  explicit ErrorLog(std::string path, std::string fallback_path = {})
      : path_(std::move(path)), fallback_path_(std::move(fallback_path)), block_path_(path_) {}

  // Records "Error: <text>". The first record of a block chooses the block's file: path when
  // that can be opened for appending (creating it empty), else the fallback path (creating its
  // missing directories, private to the user); starts the block's journal there and writes the
  // header line. Each record is in a file before this returns, so that a run killed later loses
  // none. Each record also first appends the blocks of runs that ended without appending theirs
  // (killed), whole and under their own headers. A log that cannot be written does not stop the
  // run.
  void Record(std::string_view text) override;

  // The closing step at the end of the program: when the block has records, adds the count and
  // closing lines, appends the whole block to the log and prints the console warning (after the
  // run summary), which names the fallback file when the block went there; then reports a log
  // that could not be written. Starts a new block for any later record.
  void Close(Console& console);

 private:
  void StartBlock();
  // Adds a line to the block: to its journal, or without one to the log itself.
  void Append(const std::string& text);

  std::string path_;
  std::string fallback_path_;
  std::string block_path_;          // where the current block goes
  std::optional<Journal> journal_;  // the current block's, where one could be started
  std::int32_t records_ = 0;        // records in the current block
  bool write_failed_ = false;
};

}  // namespace morvane
