#include "app/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/fs.h"
#include "support/temp_dir.h"
#include "support/text_console.h"

namespace morvane {
namespace {

using testing::TextConsole;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The names in a directory, sorted.
Lines Entries(const std::string& directory) {
  Lines names;
  for (const auto& entry : fs::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class RecordList final : public LogSink {
 public:
  void Record(std::string_view text) override { records.emplace_back(text); }
  Lines records;
};

class JobReports : public testing::TempDirTest {
 protected:
  TextConsole console_;
  RecordList log_;
  OrderedReports reports_{console_, log_};
};

TEST_F(JobReports, TheOldestJobWritesStraightThrough) {
  JobReport job(reports_);
  job.Write("Parsing 'a'");
  job.Flush();
  job.Log("first record");
  EXPECT_EQ(console_.FlushedPieces(), (Lines{"Parsing 'a'", ""}));
  EXPECT_EQ(log_.records, Lines{"first record"});
  job.Line("\tdone");
  EXPECT_EQ(console_.Text(), "Parsing 'a'\tdone\n");
}

// A later job's text, flushes and records wait until the job before it finishes, then appear
// after that job's, and from then on it writes straight through.
TEST_F(JobReports, ALaterJobCommitsAfterTheEarlierOneInOrder) {
  JobReport first(reports_);
  JobReport second(reports_);
  second.Write("b1 ");
  second.Flush();
  second.Log("record b");
  first.Write("a1 ");
  first.Log("record a");
  EXPECT_EQ(console_.Text(), "a1 ");
  EXPECT_EQ(log_.records, Lines{"record a"});

  first.Finish();
  EXPECT_EQ(console_.FlushedPieces(), (Lines{"a1 b1 ", ""}));
  EXPECT_EQ(log_.records, (Lines{"record a", "record b"}));
  second.Write("b2");
  second.Log("record b2");
  EXPECT_EQ(console_.Text(), "a1 b1 b2");
  EXPECT_EQ(log_.records, (Lines{"record a", "record b", "record b2"}));
}

TEST_F(JobReports, JobsFinishedOutOfOrderCommitInStartOrder) {
  auto a = std::make_unique<JobReport>(reports_);
  JobReport b(reports_);
  JobReport c(reports_);
  c.Line("c");
  c.Log("c");
  c.Finish();
  b.Line("b");
  b.Finish();
  EXPECT_EQ(console_.Text(), "");
  a->Line("a");
  a->Log("a");
  a.reset();  // a report ends its job at the latest when it goes
  EXPECT_EQ(console_.Text(), "a\nb\nc\n");
  EXPECT_EQ(log_.records, (Lines{"a", "c"}));

  // With every job done, the next one is the oldest at once.
  JobReport d(reports_);
  d.Write("d");
  EXPECT_EQ(console_.Text(), "a\nb\nc\nd");
}

// Jobs started in order and run on threads of their own report as if they had run one after
// another, however the threads interleave.
TEST_F(JobReports, JobsOnThreadsReportAsIfRunInTurn) {
  constexpr int kJobs = 8;
  constexpr int kLines = 50;
  std::vector<std::unique_ptr<JobReport>> jobs;
  for (int i = 0; i < kJobs; ++i) jobs.push_back(std::make_unique<JobReport>(reports_));
  std::vector<std::thread> threads;
  for (int i = kJobs - 1; i >= 0; --i) {
    threads.emplace_back([&, i] {
      for (int n = 0; n < kLines; ++n) {
        jobs[i]->Line(std::to_string(i) + ":" + std::to_string(n));
        if (n % 10 == 0) jobs[i]->Log(std::to_string(i) + "/" + std::to_string(n));
      }
      jobs[i]->Finish();
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::string text;
  Lines records;
  for (int i = 0; i < kJobs; ++i) {
    for (int n = 0; n < kLines; ++n) {
      text += std::to_string(i) + ":" + std::to_string(n) + "\n";
      if (n % 10 == 0) records.push_back(std::to_string(i) + "/" + std::to_string(n));
    }
  }
  EXPECT_EQ(console_.Text(), text);
  EXPECT_EQ(log_.records, records);
}

// Files wait with the text of their job and stand in job order, so that of two jobs writing one
// path the later one's file stays, whichever finished first.
TEST_F(JobReports, FilesArePlacedInJobOrder) {
  const std::string path = Path("out.gif");
  JobReport first(reports_);
  JobReport second(reports_);
  second.Place(PendingFile::Write(path, {'2'}));
  second.Finish();
  EXPECT_FALSE(fs::exists(path));
  first.Place(PendingFile::Write(path, {'1'}));
  EXPECT_EQ(ReadTextLines(path), Lines{"1"});
  first.Finish();
  EXPECT_EQ(ReadTextLines(path), Lines{"2"});
  EXPECT_EQ(Entries(dir_), Lines{"out.gif"});
}

// A job abandoned when the run ends stops the order: neither it nor a later job commits, the
// later jobs' waiting files are removed, and the directories they made go once they end. What
// came before still commits.
TEST_F(JobReports, AnAbandonedJobStopsEverythingAfterIt) {
  const std::string root = dir_;
  JobReport first(reports_);
  JobReport cut(reports_);
  JobReport done_later(reports_);
  JobReport running_later(reports_);
  first.Write("a ");
  cut.Write("cut ");
  fs::create_directory(root + "/cut");
  cut.MadeDirectory(root + "/cut");
  for (const char* name : {"done", "running"}) fs::create_directory(root + "/" + name);
  done_later.MadeDirectory(root + "/done");
  done_later.Write("done ");
  done_later.Place(PendingFile::Write(root + "/done/x.gif", {'x'}));
  done_later.Finish();
  running_later.MadeDirectory(root + "/running");
  running_later.Place(PendingFile::Write(root + "/running/y.gif", {'y'}));

  cut.Abandon();
  EXPECT_EQ(Entries(root), (Lines{"cut", "running"}));  // "done" has ended and is gone
  EXPECT_EQ(Entries(root + "/running"), Lines{});       // its waiting file is removed
  running_later.Write("late ");
  running_later.Place(PendingFile::Write(root + "/running/z.gif", {'z'}));
  EXPECT_EQ(Entries(root + "/running"), Lines{});
  running_later.Finish();
  EXPECT_EQ(Entries(root), Lines{"cut"});

  first.Write("b");
  first.Finish();
  EXPECT_EQ(console_.Text(), "a b");
}

}  // namespace
}  // namespace morvane
