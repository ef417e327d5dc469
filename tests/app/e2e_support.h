// Helpers for the tests that run the real morvane executable: a temporary directory per test,
// the program copied into it with its own configuration files, and a runner that returns
// everything the program printed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace morvane::e2e {

namespace fs = std::filesystem;

inline const std::string kBanner =
    "Morvane mass converter 2.0 beta (09.04.2001)  by the morvane developers\n";

// A fresh directory under /tmp for each test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes bytes to dir_/name, creating its directories; returns the full path.
  std::string Write(const std::string& name, const std::string& bytes);

  std::string dir_;
};

// Runs program with arguments (passed as they are, no shell expansion) in the working
// directory cwd, with no standard input; returns standard output and standard error together.
// Expects the exit code 0.
std::string RunProgram(const std::string& program, const std::string& cwd,
                       const std::vector<std::string>& arguments);

// The real executable, copied into dir_/bin; without configuration files there it runs on its
// built-in defaults, and its error log is dir_/bin/errors.log.
class ExecutableTest : public TempDirTest {
 protected:
  void SetUp() override;
  // Runs the program in dir_ (or in dir_/cwd) and returns everything it printed.
  std::string Run(const std::vector<std::string>& arguments) { return RunIn("", arguments); }
  std::string RunIn(const std::string& cwd, const std::vector<std::string>& arguments);
  std::string Program() const { return dir_ + "/bin/morvane"; }
  std::string ErrorLogPath() const { return dir_ + "/bin/errors.log"; }
};

}  // namespace morvane::e2e
