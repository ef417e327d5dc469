#include "errlog/errlog.h"

#include "params/version.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace morvane {

namespace {

// "on <short date> at <long time>", from one reading of the clock.
std::string DateTimeText() {
  return FormatLocalTime("on %x at %X");
}

}  // namespace

void ErrorLog::Append(const std::string& text, bool create) {
  if (!AppendText(path_, text, create)) write_failed_ = true;
}

void ErrorLog::Record(std::string_view text) {
  if (records_ == 0) {
    Append(
        std::string("Morvane ") + kProgramVersion + " Error Log, started " + DateTimeText() + "\n",
        true);
  }
  ++records_;
  std::string line = "Error: ";
  line += text;
  line += '\n';
  Append(line, false);
}

void ErrorLog::Close(Console& console) {
  if (records_ > 0) {
    Append(std::to_string(records_) + " errors\n", false);
    Append("Error Log, closed " + DateTimeText() + "\n\n", false);
    console.Line("WARNING: " + std::to_string(records_) + " record(s) in the Error Log.");
    console.Line(std::string("Please send errors.log file to ") + kErrorLogContact +
                 " as soon as possible.");
  }
  if (write_failed_) console.Line("WARNING: could not write the Error Log " + path_);
  console.Flush();
  records_ = 0;
  write_failed_ = false;
}

}  // namespace morvane
