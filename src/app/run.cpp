#include "app/run.h"

#include <memory>
#include <string_view>

#include "app/report.h"
#include "params/command_line.h"
#include "params/options.h"
#include "params/version.h"
#include "platform/path.h"
#include "platform/worker_pool.h"

namespace morvane {

namespace {

constexpr const char* kCredits = "  by the morvane developers";

// Only as the first argument: anywhere else they are options like any other (and unknown).
constexpr std::string_view kHelpArgument = "--help";
constexpr std::string_view kVersionArgument = "--version";

// The end of the help text, after the options: the files a run reads and writes, and the
// environment.
constexpr const char* kHelpTail[] = {
    "",
    // Long lines are joined literals, in parentheses so that clang sees them as meant.
    "Files, in the directory of the program (its real path, not a link to it):",
    "  morvane.cfg  read first: the defaults of the options, in its section [defaults]",
    "  colors.cfg   read at start: the colour names -bg accepts",
    nullptr,  // errors.log, with the place of the system's user state (UserStateFileText)
    "Environment:",
    ("  MORVANE_THREADS  the number of worker threads that convert files; by default one per CPU "
     "the process may use"),
};

// The usage text, then every option with its default and meaning, then the files and the
// environment.
void PrintHelp(Console& console) {
  for (const std::string& line : UsageLines()) console.Line(line);
  console.Line("");
  for (const std::string& line : OptionHelpLines()) console.Line(line);
  for (const char* line : kHelpTail) {
    if (line != nullptr) {
      console.Line(line);
    } else {
      console.Line(
          "  errors.log   appended to: why files could not be parsed or converted; where it "
          "cannot be written, " +
          UserStateFileText("morvane", "errors.log"));
    }
  }
}

// What the walk over the arguments writes (option echoes, messages about options and list
// files, the run summary) in its place among the files' reports: each stretch between two files
// is a job of its own in the ordered reports, started at its first write.
class WalkReport final : public Console {
 public:
  explicit WalkReport(OrderedReports& reports) : reports_(reports) {}

  void Write(std::string_view text) override { Stretch().Write(text); }
  void Flush() override { Stretch().Flush(); }

  // Ends the current stretch; called before each file's job starts, so that the job's report
  // follows it and, once the jobs before have finished, writes straight through.
  void EndStretch() { stretch_.reset(); }

 private:
  JobReport& Stretch() {
    if (!stretch_) stretch_ = std::make_unique<JobReport>(reports_);
    return *stretch_;
  }

  OrderedReports& reports_;
  std::unique_ptr<JobReport> stretch_;
};

}  // namespace

int RunMorvane(RunContext& context, const std::vector<std::string>& arguments,
               const std::string& config_path) {
  Console& console = context.console;
  console.Line(std::string("Morvane mass converter ") + kProgramVersion + kCredits);
  if (arguments.empty()) {
    for (const std::string& line : UsageLines()) console.Line(line);
    console.Flush();
    return 0;
  }
  // Neither reads the configuration nor converts anything.
  if (arguments.front() == kVersionArgument || arguments.front() == kHelpArgument) {
    if (arguments.front() == kHelpArgument) PrintHelp(console);
    console.Flush();
    return 0;
  }
  RegisterOptions(context.parameters);

  WorkerPool pool(context.worker_threads);
  OrderedReports reports(console, context.error_log);
  WalkReport walk_report(reports);
  bool walked = false;
  {
    FileJobs jobs(pool, reports, context.counters);
    const auto convert_file = [&](const std::string& file_spec, bool from_list) {
      walk_report.EndStretch();
      jobs.Start(file_spec, from_list, context.settings);
    };
    const auto validate = [&] {
      return ValidateSettings(context.parameters, context.color_names, context.settings,
                              walk_report);
    };
    walked = WalkArguments(config_path, arguments, context.parameters, walk_report, convert_file,
                           validate);
    jobs.Wait();
  }
  if (walked) {
    const RunCounters& counters = context.counters;
    walk_report.Line(std::to_string(counters.files_processed) + " file(s) processed");
    if (counters.error_count > 0) {
      walk_report.Line(std::to_string(counters.error_count) + " error(s) encountered");
    }
  }
  console.Flush();
  return 0;
}

}  // namespace morvane
