#include "errlog/errlog.h"

#include "params/version.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/fs.h"

namespace morvane {

namespace {

std::string g_path = kErrorLogFile;
std::int32_t g_records = 0;
bool g_write_failed = false;

// "on <short date> at <long time>", from one reading of the clock.
std::string DateTimeText() {
  return FormatLocalTime("on %x at %X");
}

void Append(const std::string& text, bool create) {
  if (!AppendText(g_path, text, create)) g_write_failed = true;
}

}  // namespace

void SetErrorLogPath(const std::string& path) {
  g_path = path;
}

const std::string& ErrorLogPath() {
  return g_path;
}

void LogError(const std::string& text) {
  if (g_records == 0) {
    Append(
        std::string("Morvane ") + kProgramVersion + " Error Log, started " + DateTimeText() + "\n",
        true);
  }
  ++g_records;
  Append("Error: " + text + "\n", false);
}

std::int32_t ErrorLogRecords() {
  return g_records;
}

void CloseErrorLog() {
  if (g_records > 0) {
    Append(std::to_string(g_records) + " errors\n", false);
    Append("Error Log, closed " + DateTimeText() + "\n\n", false);
    ConsoleLine("WARNING: " + std::to_string(g_records) + " record(s) in the Error Log.");
    ConsoleLine(std::string("Please send errors.log file to ") + kErrorLogContact +
                " as soon as possible.");
  }
  if (g_write_failed) ConsoleLine("WARNING: could not write the Error Log " + g_path);
  ConsoleFlush();
  g_records = 0;
  g_write_failed = false;
}

}  // namespace morvane
