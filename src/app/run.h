// A run of the converter: the state the entry creates and hands down, and the run itself
// (banner, usage text, option registration, the walk over the arguments, the run summary).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/file_jobs.h"
#include "errlog/errlog.h"
#include "params/colors.h"
#include "params/parameter_store.h"
#include "params/run_settings.h"
#include "platform/console.h"

namespace morvane {

// Everything one run keeps. The entry creates it and passes down only the pieces each step
// needs: the walk gets the store and the console, each file's job the settings in force and
// its report.
struct RunContext {
  // The error log goes to error_log_path, or to error_log_fallback_path (when not empty) where
  // that cannot be written.
  RunContext(Console& run_console, std::string error_log_path,
             std::string error_log_fallback_path = {})
      : console(run_console),
        error_log(std::move(error_log_path), std::move(error_log_fallback_path)) {}

  Console& console;
  ErrorLog error_log;
  ParameterStore parameters;
  ColorNames color_names;      // loaded before the run starts
  RunSettingsRecord settings;  // validated from parameters; in force for the next file
  RunCounters counters;
  int worker_threads = 1;  // threads that convert files side by side; 1 converts on the caller's
};

// Runs the converter on the command-line arguments (without the program name), with the
// configuration file at config_path. "--help" or "--version" as the first argument prints the
// help text or the banner alone and ends the run. The error log's closing step is left to the
// caller, as it belongs to the end of the process. Always returns 0, the process's exit code.
int RunMorvane(RunContext& context, const std::vector<std::string>& arguments,
               const std::string& config_path);

}  // namespace morvane
