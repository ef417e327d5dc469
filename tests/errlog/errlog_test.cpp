#include "errlog/errlog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
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
  // The text of a file the log wrote, its line ends made LF. On Windows every line must end
  // with CR LF, and does, or the text comes back with a mark that no expectation matches.
  std::string Read(const std::string& name) const {
    std::string text = testing::TempDirTest::Read(name);
#ifdef _WIN32
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lf += "<bare LF>";
      lf += text[i];
    }
    text = lf;
#endif
    return text;
  }
  std::string Log() const {
    return Read("errors.log");
  }
  bool LogExists() const {
    return std::filesystem::exists(Path("errors.log"));
  }
  // The names of the journals beside the log, sorted.
  std::vector<std::string> Journals() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("errors.log.") && name.ends_with(".journal")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

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
#ifdef _WIN32
  Write("errors.log", "old\r\n");
#else
  Write("errors.log", "old\n");
#endif
  EXPECT_EQ(Close(log), "");
  EXPECT_EQ(Log(), "old\n");
}

TEST_F(ErrorLogFile, EachRunAppendsOneCompleteBlock) {
  ErrorLog log(Path("errors.log"));
  for (int run = 1; run <= 2; ++run) {
    const std::string before = Log();
    log.Record("bad frame count value. Filepos=00000010 in file hero");
    // Every record is on disk at once, in the run's journal beside the log, which takes the
    // block only when it closes.
    ASSERT_EQ(Journals().size(), 1u);
    EXPECT_TRUE(std::regex_search(Read(Journals()[0]),
                                  std::regex("^Morvane .*\nError: .* in file hero\n$")));
    EXPECT_EQ(Log(), before);
    log.Record("(internal) Cannot create file ./x/a.gif in file x");
    // Closing counts the block's records and starts the count afresh.
    EXPECT_EQ(Close(log), "WARNING: 2" + kWarning);
    EXPECT_EQ(Journals(), std::vector<std::string>{});
  }
  EXPECT_TRUE(std::regex_match(Log(), std::regex(kBlock + kBlock))) << Log();
}

// Runs that share the log each append one whole block when they close, whatever the others
// do meanwhile.
TEST_F(ErrorLogFile, RunsAtOnceAppendWholeBlocks) {
  ErrorLog first(Path("errors.log"));
  ErrorLog second(Path("errors.log"));
  first.Record("bad frame count value. Filepos=00000010 in file hero");
  second.Record("bad frame count value. Filepos=00000010 in file hero");
  first.Record("(internal) Cannot create file ./x/a.gif in file x");
  second.Record("(internal) Cannot create file ./x/a.gif in file x");
  EXPECT_EQ(Journals().size(), 2u);
  EXPECT_EQ(Close(second), "WARNING: 2" + kWarning);
  EXPECT_EQ(Close(first), "WARNING: 2" + kWarning);
  EXPECT_TRUE(std::regex_match(Log(), std::regex(kBlock + kBlock))) << Log();
  EXPECT_EQ(Journals(), std::vector<std::string>{});
}

// A run that ends without closing its block (killed) leaves its journal. The next record of
// any run appends it whole first, without closing lines, while the journal of a run still going
// and files that only look like journals stay where they are.
TEST_F(ErrorLogFile, TheNextRecordAppendsTheBlockOfARunThatEnded) {
  Write("errors.log.12.x.y.journal", "not ours\n");
  Write("errors.log.journal", "not ours\n");
  ErrorLog going(Path("errors.log"));
  going.Record("still going");
  {
    ErrorLog killed(Path("errors.log"));
    killed.Record("one");
    killed.Record("two");
  }
  ASSERT_EQ(Journals().size(), 4u);
  const std::string killed_block = R"(Morvane .* Error Log, started .*\nError: one\nError: two\n)";
  ErrorLog next(Path("errors.log"));
  next.Record("bad frame count value. Filepos=00000010 in file hero");
  EXPECT_TRUE(std::regex_match(Log(), std::regex(killed_block))) << Log();
  next.Record("(internal) Cannot create file ./x/a.gif in file x");
  EXPECT_EQ(Journals().size(), 4u);  // the two that are not, going's and next's own
  Close(next);
  EXPECT_TRUE(std::regex_match(Log(), std::regex(killed_block + kBlock))) << Log();
  Close(going);
  EXPECT_EQ(Journals(),
            (std::vector<std::string>{"errors.log.12.x.y.journal", "errors.log.journal"}));
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

// The fallback from an environment that holds only the variables given.
std::string FallbackFrom(std::map<std::string, std::string> variables) {
  return FallbackErrorLogPath([&](const char* name) -> std::optional<std::string> {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  });
}

#ifdef _WIN32
TEST(FallbackPath, TheLocalApplicationDataFolderWhenAbsolute) {
  EXPECT_EQ(FallbackFrom({{"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}}),
            "C:\\Users\\u\\AppData\\Local\\morvane\\errors.log");
  EXPECT_EQ(FallbackFrom({{"LOCALAPPDATA", "Local"}, {"HOME", "C:\\Users\\u"}}), "");
  EXPECT_EQ(FallbackFrom({}), "");
}
#else
TEST(FallbackPath, TheStateDirectoryWhenAbsoluteElseTheHomeDirectory) {
  const std::string home_state = "/home/u/.local/state/morvane/errors.log";
  EXPECT_EQ(FallbackFrom({{"XDG_STATE_HOME", "/var/state"}, {"HOME", "/home/u"}}),
            "/var/state/morvane/errors.log");
  EXPECT_EQ(FallbackFrom({{"XDG_STATE_HOME", "/var/state"}}), "/var/state/morvane/errors.log");
  // A relative or empty XDG_STATE_HOME is not used.
  EXPECT_EQ(FallbackFrom({{"XDG_STATE_HOME", "state"}, {"HOME", "/home/u"}}), home_state);
  EXPECT_EQ(FallbackFrom({{"XDG_STATE_HOME", ""}, {"HOME", "/home/u"}}), home_state);
  EXPECT_EQ(FallbackFrom({{"HOME", "/home/u"}}), home_state);
  // Without either there is no second place.
  EXPECT_EQ(FallbackFrom({{"XDG_STATE_HOME", "state"}}), "");
  EXPECT_EQ(FallbackFrom({{"HOME", ""}}), "");
  EXPECT_EQ(FallbackFrom({}), "");
}
#endif

// The program's directory refuses the log (a directory stands under its name, which refuses
// it whoever runs the tests); the fallback under dir_/state takes the block.
class FallbackLog : public ErrorLogFile {
 protected:
  void SetUp() override {
    ErrorLogFile::SetUp();
    std::filesystem::create_directory(Path("errors.log"));
  }
  std::string Fallback() const { return Path("state/deeper/morvane/errors.log"); }
  static unsigned Mode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
};

TEST_F(FallbackLog, TheBlockGoesToTheFallbackAndTheWarningNamesIt) {
  ErrorLog log(Path("errors.log"), Fallback());
  for (int run = 1; run <= 2; ++run) {
    log.Record("bad frame count value. Filepos=00000010 in file hero");
    log.Record("(internal) Cannot create file ./x/a.gif in file x");
    EXPECT_EQ(Close(log), "WARNING: 2 record(s) in the Error Log " + Fallback() +
                              ".\nPlease send errors.log file to morvane-bugs@example.org as "
                              "soon as possible.\n");
  }
  // The same blocks as beside the program, appended run by run.
  EXPECT_TRUE(
      std::regex_match(Read("state/deeper/morvane/errors.log"), std::regex(kBlock + kBlock)));
#ifndef _WIN32
  // Every directory made on the way is the user's alone.
  EXPECT_EQ(Mode(Path("state")), 0700u);
  EXPECT_EQ(Mode(Path("state/deeper")), 0700u);
  EXPECT_EQ(Mode(Path("state/deeper/morvane")), 0700u);
#endif
}

TEST_F(FallbackLog, TheProgramsDirectoryIsTriedAgainForEachBlock) {
  ErrorLog log(Path("errors.log"), Fallback());
  log.Record("first");
  Close(log);
  std::filesystem::remove(Path("errors.log"));
  log.Record("second");
  EXPECT_EQ(Close(log), "WARNING: 1" + kWarning);
  EXPECT_TRUE(std::regex_search(Log(), std::regex("^Morvane .*\nError: second\n1 errors\n")));
  EXPECT_EQ(Read("state/deeper/morvane/errors.log").find("second"), std::string::npos);
}

TEST_F(FallbackLog, WhenNeitherPlaceCanBeWrittenTheProgramsPathIsReported) {
  const std::string failure = "WARNING: could not write the Error Log " + Path("errors.log") + "\n";
  // A file where a directory of the fallback would go.
  Write("state", "not a directory");
  ErrorLog log(Path("errors.log"), Fallback());
  log.Record("lost");
  EXPECT_EQ(Close(log), "WARNING: 1" + kWarning + failure);
  // No fallback at all.
  ErrorLog without(Path("errors.log"));
  without.Record("lost");
  EXPECT_EQ(Close(without), "WARNING: 1" + kWarning + failure);
}

TEST_F(FallbackLog, ExistingDirectoriesAreUsedAsTheyAre) {
  std::filesystem::create_directories(Path("state/deeper/morvane"));
  std::filesystem::permissions(Path("state"), std::filesystem::perms::all);
  ErrorLog log(Path("errors.log"), Fallback());
  log.Record("kept");
  Close(log);
  EXPECT_NE(Read("state/deeper/morvane/errors.log").find("Error: kept\n"), std::string::npos);
#ifndef _WIN32
  EXPECT_EQ(Mode(Path("state")), 0777u);
#endif
}

}  // namespace
}  // namespace morvane
