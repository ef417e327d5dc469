#include "errlog/errlog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace morvane {
namespace {

class ErrorLog : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/morvane-errlog-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    SetErrorLogPath(dir_ + "/errors.log");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Close() {
    testing::internal::CaptureStdout();
    CloseErrorLog();
    return testing::internal::GetCapturedStdout();
  }
  std::string Log() const {
    std::ifstream in(dir_ + "/errors.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool LogExists() const { return std::filesystem::exists(dir_ + "/errors.log"); }

  std::string dir_;
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

TEST_F(ErrorLog, ARunWithoutRecordsWritesNothing) {
  EXPECT_EQ(Close(), "");
  EXPECT_FALSE(LogExists());
  std::ofstream(dir_ + "/errors.log") << "old\n";
  EXPECT_EQ(Close(), "");
  EXPECT_EQ(Log(), "old\n");
}

TEST_F(ErrorLog, EachRunAppendsOneCompleteBlock) {
  const std::string warning =
      "WARNING: 2 record(s) in the Error Log.\n"
      "Please send errors.log file to morvane-bugs@example.org as soon as possible.\n";
  for (int run = 1; run <= 2; ++run) {
    LogError("bad frame count value. Filepos=00000010 in file hero");
    // Every record is in the file at once, before the run ends.
    EXPECT_TRUE(std::regex_search(Log(), std::regex("Filepos=00000010 in file hero\n$")));
    LogError("(internal) Cannot create file ./x/a.gif in file x");
    EXPECT_EQ(ErrorLogRecords(), 2);
    EXPECT_EQ(Close(), warning);
    EXPECT_EQ(ErrorLogRecords(), 0);
  }
  EXPECT_TRUE(std::regex_match(Log(), std::regex(kBlock + kBlock))) << Log();
}

TEST_F(ErrorLog, AnUnwritableLogIsReportedOnceAndTheRunGoesOn) {
  SetErrorLogPath(dir_ + "/no-such-dir/errors.log");
  LogError("first");
  LogError("second");
  EXPECT_EQ(Close(),
            "WARNING: 2 record(s) in the Error Log.\n"
            "Please send errors.log file to morvane-bugs@example.org as soon as possible.\n"
            "WARNING: could not write the Error Log " +
                dir_ + "/no-such-dir/errors.log\n");
  // The failure belongs to that run only.
  SetErrorLogPath(dir_ + "/errors.log");
  LogError("third");
  EXPECT_EQ(Close().find("could not"), std::string::npos);
}

TEST_F(ErrorLog, ALogRemovedDuringTheRunIsNotRecreatedForRecords) {
  LogError("first");
  std::filesystem::remove(dir_ + "/errors.log");
  LogError("second");
  Close();
  EXPECT_FALSE(LogExists());
}

}  // namespace
}  // namespace morvane
