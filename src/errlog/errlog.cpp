#include "errlog/errlog.h"

#include "params/version.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace morvane {

namespace {

// "on <short date> at <long time>", from one reading of the clock.
std::string DateTimeText() {
  return FormatLocalTime("on %x at %X");
}

}  // namespace

std::string FallbackErrorLogPath(const EnvironmentLookup& environment) {
  return UserStateFile("morvane", kErrorLogFile, environment);
}

void ErrorLog::StartBlock() {
  // Opening a file for appending, with nothing to append, creates it when it is missing.
  const auto opens_for_appending = [](const std::string& path) {
    return AppendText(path, "", true);
  };
  block_path_ = path_;
  if (!opens_for_appending(path_)) {
    if (fallback_path_.empty() || !CreatePrivateDirectories(DirectoryPart(fallback_path_)) ||
        !opens_for_appending(fallback_path_)) {
      write_failed_ = true;
      return;
    }
    block_path_ = fallback_path_;
  }
  journal_ = Journal::Start(block_path_);
  Append(std::string("Morvane ") + kProgramVersion + " Error Log, started " + DateTimeText() +
         "\n");
}

void ErrorLog::Append(const std::string& text) {
  const bool written = journal_ ? journal_->Write(text) : AppendText(block_path_, text, false);
  if (!written) write_failed_ = true;
}

void ErrorLog::Record(std::string_view text) {
  if (records_ == 0) StartBlock();
  ++records_;
  if (journal_ && !journal_->AppendOrphans(block_path_)) write_failed_ = true;
  std::string line = "Error: ";
  line += text;
  line += '\n';
  Append(line);
}

void ErrorLog::Close(Console& console) {
  if (records_ > 0) {
    Append(std::to_string(records_) + " errors\n");
    Append("Error Log, closed " + DateTimeText() + "\n\n");
    if (journal_ && !journal_->AppendTo(block_path_)) write_failed_ = true;
    journal_.reset();
    // Beside the program the file needs no name; anywhere else the user must be told where.
    const std::string where = block_path_ == path_ ? "" : " " + block_path_;
    console.Line("WARNING: " + std::to_string(records_) + " record(s) in the Error Log" + where +
                 ".");
    console.Line(std::string("Please send errors.log file to ") + kErrorLogContact +
                 " as soon as possible.");
  }
  if (write_failed_) console.Line("WARNING: could not write the Error Log " + block_path_);
  console.Flush();
  records_ = 0;
  write_failed_ = false;
  block_path_ = path_;
}

}  // namespace morvane
