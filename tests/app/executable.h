// Running the real morvane executable: a copy of the program in a temporary directory per test,
// and a runner that returns everything it printed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace morvane::e2e {

namespace fs = std::filesystem;

inline const std::string kBanner =
    "Morvane mass converter 2.0 beta (09.04.2001)  by the morvane developers\n";

// The console warning after a run with n error-log records.
std::string ErrorLogWarning(int records);

// The console lines of a file parsed with one sequence and one collection, up to the
// sequence's name in its column: the converted sequence's outcome (" Ok \n" or an error) follows.
std::string ParsedOne(const std::string& file, const std::string& sequence = "walk");
// The same with the sequence converted.
inline std::string ParsedOk(const std::string& file, const std::string& sequence = "walk") {
  return ParsedOne(file, sequence) + " Ok \n";
}
// The lines that end a run: the files processed, the errors when there were any and the
// warning of the error-log records when there were any.
std::string Summary(int processed, int errors = 0, int log_records = 0);

// What a run of the program left.
struct RunResult {
  std::string output;            // standard output and standard error together
  int status = -1;               // as from waitpid
  std::int64_t peak_rss_kb = 0;  // the program's largest resident set
};

// Runs program with arguments (passed as they are, no shell expansion) in the working
// directory cwd, with no standard input. With file_size_limit above 0, the program may not
// write any file larger than that many bytes (a full disk, as it looks to the writer: writes
// past the limit fail with "File too large"). The program gets this process's environment
// without HOME and XDG_STATE_HOME, so that no test writes into the user's state directory,
// plus the "NAME=value" entries of environment (which replace inherited ones of those names).
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& cwd, std::int64_t file_size_limit = 0,
                     const std::vector<std::string>& environment = {});

// The real executable, copied into dir_/bin; without configuration files there it runs on its
// built-in defaults, and its error log is dir_/bin/errors.log.
class ExecutableTest : public testing::TempDirTest {
 protected:
  void SetUp() override;

  // Runs the program in dir_ (or in dir_/cwd), expects the exit code 0 and returns everything
  // it printed.
  std::string Run(const std::vector<std::string>& arguments, const std::string& cwd = "") {
    return RunMeasured(arguments, cwd).output;
  }
  // The same, with the file size limit of RunProgram, returning the whole result.
  RunResult RunMeasured(const std::vector<std::string>& arguments, const std::string& cwd = "",
                        std::int64_t file_size_limit = 0);

  std::string ErrorLogPath() const { return Path("bin/errors.log"); }
  // "NAME=value" entries the program's environment gets in the runs that follow.
  std::vector<std::string> environment_;
  std::string ErrorLog() const { return Read("bin/errors.log"); }
  // Whether this process can create a file in a directory without write permission, as root
  // can: then tests of read-only directories cannot work.
  bool PermissionsIgnored() const;
};

// The names in a directory (hidden ones too), sorted; empty when it does not exist.
std::vector<std::string> ListDirectory(const std::string& path);

std::string ReadText(const std::string& path);

// How often part stands in text, overlapping occurrences included.
std::size_t Occurrences(const std::string& text, const std::string& part);

// The error log with the date and time after "started " and "closed " replaced by "<time>".
std::string MaskLogTimes(const std::string& log);

}  // namespace morvane::e2e
