// The error log: an append-only "errors.log" beside the executable that collects the parse
// errors and internal errors of a run, so that they can be sent to the maintainers. Where the
// program's directory cannot take it, the log goes to the user's state directory instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"

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

// Where the log goes when errors.log beside the program cannot be opened for appending, from
// the values of XDG_STATE_HOME and HOME: <xdg_state_home>/morvane/errors.log when that is an
// absolute path, else <home>/.local/state/morvane/errors.log when home is set and not empty;
// empty when there is no such place.
std::string FallbackErrorLogPath(const std::optional<std::string>& xdg_state_home,
                                 const std::optional<std::string>& home);

// The error log of one run, in the file at the path it is made with, or at fallback_path (when
// not empty) for a block that cannot start at path.
class ErrorLog final : public LogSink {
 public:
  explicit ErrorLog(std::string path, std::string fallback_path = {})
      : path_(std::move(path)), fallback_path_(std::move(fallback_path)), block_path_(path_) {}

  // Appends one record "Error: <text>". The first record of a block first appends the header
  // line (creating the file): at path, or when that cannot be opened for appending, at the
  // fallback path (creating its missing directories, private to the user), where the rest of
  // the block then goes. Each write opens and closes the file, so the log is complete even if
  // the program stops later. A log that cannot be written does not stop the run.
  void Record(std::string_view text) override;

  // The closing step at the end of the program: when the block has records, appends the count
  // and closing lines and prints the console warning (after the run summary), which names the
  // fallback file when the block went there; then reports a log that could not be written.
  // Starts a new block for any later record.
  void Close(Console& console);

 private:
  void StartBlock();
  void Append(const std::string& text);

  std::string path_;
  std::string fallback_path_;
  std::string block_path_;    // where the current block goes
  std::int32_t records_ = 0;  // records in the current block
  bool write_failed_ = false;
};

}  // namespace morvane
