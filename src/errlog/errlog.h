// The error log: an append-only "errors.log" beside the executable that collects the parse
// errors and internal errors of a run, so that they can be sent to the maintainers.
#pragma once

#include <cstdint>
#include <string>

namespace morvane {

inline constexpr const char* kErrorLogFile = "errors.log";
// Where users are asked to send the log.
inline constexpr const char* kErrorLogContact = "morvane-bugs@example.org";

// Sets the log file's path; start-up sets it to the program's directory + "errors.log".
void SetErrorLogPath(const std::string& path);
const std::string& ErrorLogPath();

// Appends one record "Error: <text>". The first record of a run first appends the header line
// (creating the file). Each write opens and closes the file, so the log is complete even if
// the program stops later. A log that cannot be written does not stop the run.
void LogError(const std::string& text);

// Records written in this run.
std::int32_t ErrorLogRecords();

// The closing step at the end of the program: when the run logged records, appends the count
// and closing lines and prints the console warning (after the run summary). Starts a new
// block for any later record.
void CloseErrorLog();

}  // namespace morvane
