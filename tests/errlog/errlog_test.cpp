#include "errlog/errlog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/temp_dir.h"
#include "support/text_console.h"

namespace morvane {
namespace {

class ErrorLogFile : public testing::TempDirTest {
 protected:
  std::string Close(ErrorLog& log) {
    log.Close(console_);
    return console_.Take();
  }
  std::string Log() const { return Read("errors.log"); }
  bool LogExists() const { return std::filesystem::exists(Path("errors.log")); }

  testing::TextConsole console_;
};

// The date and time of the C locale, which the tests run in: 12/31/26 and 23:59:59.
const std::string kWhen = R"(on \d\d/\d\d/\d\d at \d\d:\d\d:\d\d)";
const std::string kBlock = "Morvane 2\\.0 beta \\(09\\.04\\.2001\\) Error Log, started " + kWhen +
                           "\n" +
                           "Error: bad frame count value\\. Filepos=00000010 in file hero\n"
                           "Error: \\(internal\\) Cannot create file \\./x/a\\.gif in file x\n"
                           "2 errors\n"
                           "Error Log, closed " +
                           kWhen + "\n\n";
const std::string kWarning =
    " record(s) in the Error Log.\n"
    "Please send errors.log file to morvane-bugs@example.org as soon as possible.\n";

TEST_F(ErrorLogFile, ARunWithoutRecordsWritesNothing) {
  ErrorLog log(Path("errors.log"));
  EXPECT_EQ(Close(log), "");
  EXPECT_FALSE(LogExists());
  Write("errors.log", "old\n");
  EXPECT_EQ(Close(log), "");
  EXPECT_EQ(Log(), "old\n");
}

TEST_F(ErrorLogFile, EachRunAppendsOneCompleteBlock) {
  ErrorLog log(Path("errors.log"));
  for (int run = 1; run <= 2; ++run) {
    log.Record("bad frame count value. Filepos=00000010 in file hero");
    // Every record is in the file at once, before the run ends.
    EXPECT_TRUE(std::regex_search(Log(), std::regex("Filepos=00000010 in file hero\n$")));
    log.Record("(internal) Cannot create file ./x/a.gif in file x");
    // Closing counts the block's records and starts the count afresh.
    EXPECT_EQ(Close(log), "WARNING: 2" + kWarning);
  }
  EXPECT_TRUE(std::regex_match(Log(), std::regex(kBlock + kBlock))) << Log();
}

TEST_F(ErrorLogFile, AnUnwritableLogIsReportedOnceAndTheRunGoesOn) {
  ErrorLog log(Path("later/errors.log"));
  log.Record("first");
  log.Record("second");
  EXPECT_EQ(Close(log), "WARNING: 2" + kWarning + "WARNING: could not write the Error Log " +
                            Path("later/errors.log") + "\n");
  // The failure belongs to that run only.
  std::filesystem::create_directory(Path("later"));
  log.Record("third");
  EXPECT_EQ(Close(log), "WARNING: 1" + kWarning);
  EXPECT_TRUE(
      std::regex_search(Read("later/errors.log"), std::regex("^Morvane .*\nError: third\n")));
}

TEST_F(ErrorLogFile, ALogRemovedDuringTheRunIsNotRecreatedForRecords) {
  ErrorLog log(Path("errors.log"));
  log.Record("first");
  std::filesystem::remove(Path("errors.log"));
  log.Record("second");
  Close(log);
  EXPECT_FALSE(LogExists());
}

}  // namespace
}  // namespace morvane
