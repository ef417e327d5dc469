// The error log: an append-only "errors.log" beside the executable that collects the parse
// errors and internal errors of a run, so that they can be sent to the maintainers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/report.h"

namespace morvane {

inline constexpr const char* kErrorLogFile = "errors.log";
// Where users are asked to send the log.
inline constexpr const char* kErrorLogContact = "morvane-bugs@example.org";

// The error log of one run, in the file at the path it is made with.
class ErrorLog final : public LogSink {
 public:
  explicit ErrorLog(std::string path) : path_(std::move(path)) {}

  // Appends one record "Error: <text>". The first record of a block first appends the header
  // line (creating the file). Each write opens and closes the file, so the log is complete even
  // if the program stops later. A log that cannot be written does not stop the run.
  void Record(std::string_view text) override;

  // The closing step at the end of the program: when the block has records, appends the count
  // and closing lines and prints the console warning (after the run summary); then reports a
  // log that could not be written. Starts a new block for any later record.
  void Close(Console& console);

 private:
  void Append(const std::string& text, bool create);

  std::string path_;
  std::int32_t records_ = 0;  // records in the current block
  bool write_failed_ = false;
};

}  // namespace morvane
