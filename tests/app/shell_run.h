// Runs of the real executable through a shell, which sets their surroundings up as a user
// would, and runs interrupted by a signal while they work.
#pragma once

#include <string>

#include "app/executable.h"

namespace morvane::e2e {

class ShellRunTest : public ExecutableTest {
 protected:
  // Runs script with /bin/sh in dir_, with the entries of environment_; $M is the program.
  RunResult Shell(const std::string& script);

  // Starts run (after setup) in the background with its console in out.txt, waits until the
  // console shows shown, sends signal, checks that the run ended by it with status, and
  // returns the console text from shown on. after runs once the run has ended.
  std::string Interrupt(const std::string& setup, const std::string& run, const std::string& shown,
                        const std::string& signal, int status, const std::string& after = "");

  // No temporary file of a GIF is left anywhere below dir_.
  void ExpectNoTemporaryFiles();
};

}  // namespace morvane::e2e
