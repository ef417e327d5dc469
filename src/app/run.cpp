#include "app/run.h"

#include "params/command_line.h"
#include "params/options.h"
#include "params/version.h"
#include "platform/report.h"

namespace morvane {

namespace {

constexpr const char* kCredits = "  by the morvane developers";

}  // namespace

void RunCounters::Count(JobOutcome outcome) {
  if (outcome == JobOutcome::kConverted) ++files_processed;
  if (outcome == JobOutcome::kFailed) ++error_count;
}

int RunMorvane(RunContext& context, const std::vector<std::string>& arguments,
               const std::string& config_path) {
  Console& console = context.console;
  console.Line(std::string("Morvane mass converter ") + kProgramVersion + kCredits);
  if (arguments.empty()) {
    for (const std::string& line : UsageLines()) console.Line(line);
    console.Flush();
    return 0;
  }
  RegisterOptions(context.parameters);

  OrderedReports reports(console, context.error_log);
  const auto convert_file = [&](const std::string& file_spec, bool from_list) {
    JobReport report(reports);
    context.counters.Count(ConvertFile(file_spec, from_list, context.settings, report));
  };
  const auto validate = [&] {
    return ValidateSettings(context.parameters, context.color_names, context.settings, console);
  };
  if (WalkArguments(config_path, arguments, context.parameters, console, convert_file, validate)) {
    const RunCounters& counters = context.counters;
    console.Line(std::to_string(counters.files_processed) + " file(s) processed");
    if (counters.error_count > 0) {
      console.Line(std::to_string(counters.error_count) + " error(s) encountered");
    }
  }
  console.Flush();
  return 0;
}

}  // namespace morvane
