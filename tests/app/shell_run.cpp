#include "app/shell_run.h"

namespace morvane::e2e {

RunResult ShellRunTest::Shell(const std::string& script) {
  return RunProgram("/bin/sh", {"-c", "M=bin/morvane; " + script}, dir_, 0, environment_);
}

std::string ShellRunTest::Interrupt(const std::string& setup, const std::string& run,
                                    const std::string& shown, const std::string& signal, int status,
                                    const std::string& after) {
  // The wait for shown also ends when the run has ended without showing it.
  const RunResult result =
      Shell(setup + run + " > out.txt & pid=$!; until grep -q \"" + shown +
            "\" out.txt || ! kill -0 $pid 2>/dev/null; do sleep 0.02; done; sleep 0.05; kill -" +
            signal + " $pid; wait $pid; echo \"status=$?\"; " + after);
  // The shell may report the job it saw end by the signal before the status.
  EXPECT_NE(result.output.find("status=" + std::to_string(status) + "\n"), std::string::npos)
      << result.output;
  const std::string console = Read("out.txt");
  const std::size_t at = console.find(shown);
  return at == std::string::npos ? console : console.substr(at);
}

void ShellRunTest::ExpectNoTemporaryFiles() {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().rfind(".morvane-", 0), std::string::npos)
        << entry.path();
  }
}

}  // namespace morvane::e2e
