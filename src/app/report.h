// What a job reports (console text and error-log records), and the ordering that lets jobs run
// side by side while their reports appear as if they had run one after another.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errlog/errlog.h"
#include "platform/console.h"
#include "platform/fs.h"

namespace morvane {

// What one job reports through: its console text, its error-log records and the files it puts
// in place.
class Report : public Console {
 public:
  virtual void Log(std::string_view record) = 0;
  // Puts a written file in place, now or when the job's turn comes; errors of an immediate
  // placement are raised here, and once the run is ending the file is removed (Interrupted).
  virtual void Place(PendingFile file);
  // Notes a directory the job has just made for its files.
  virtual void MadeDirectory(const std::string& path) { static_cast<void>(path); }
};

// Keeps the reports of jobs in the order the jobs were started. The oldest unfinished job, the
// head, writes straight through to the console and the log, so the log on disk is as complete
// as the work done when the program stops. A later job's text, flushes and records wait in a
// buffer of its own until every job started before it has finished, then commit in start
// order, and from then on it writes straight through. Files a job puts in place wait with its
// text, so that where two jobs write the same path the later job's file stays. Jobs on one
// thread each start as the head; jobs may also run on threads of their own. A job abandoned
// when the run ends early never finishes: nothing from it on commits, the files waiting behind
// it are removed, and so are the directories the later jobs made, once they are empty.
class OrderedReports {
 public:
  OrderedReports(Console& console, LogSink& log) : console_(console), log_(log) {}
  OrderedReports(const OrderedReports&) = delete;
  OrderedReports& operator=(const OrderedReports&) = delete;

 private:
  friend class JobReport;

  enum class Kind { kText, kFlush, kRecord, kFile, kDirectory };
  struct Entry {
    Kind kind;
    std::string text;
    std::optional<PendingFile> file;  // for kFile
  };
  struct Buffer {
    std::vector<Entry> entries;
    bool finished = false;
    bool ended = false;  // finished or abandoned
  };

  std::uint64_t Start();
  void Add(std::uint64_t job, Kind kind, std::string_view text);
  void Place(std::uint64_t job, PendingFile file);
  void Finish(std::uint64_t job);
  void Abandon(std::uint64_t job);
  // Drops the entries of an ended job behind the abandoned one; its directories go too.
  static void Discard(Buffer& buffer);
  // Sends one entry to the console or the log, or puts its file in place; called with mutex_
  // held.
  void Apply(Entry& entry);

  Console& console_;
  LogSink& log_;
  std::mutex mutex_;
  std::uint64_t head_ = 0;                // number of the oldest unfinished job
  std::uint64_t abandoned_ = UINT64_MAX;  // the first job abandoned
  // The buffers of jobs head_, head_ + 1, ...; the head's own stays empty.
  std::deque<Buffer> buffers_;
};

// The report of one job, started in order when it is made. The job ends with Finish or, at
// the latest, when its report is destroyed.
class JobReport final : public Report {
 public:
  explicit JobReport(OrderedReports& reports) : reports_(reports), job_(reports.Start()) {}
  JobReport(const JobReport&) = delete;
  JobReport& operator=(const JobReport&) = delete;
  ~JobReport() override { Finish(); }

  void Write(std::string_view text) override {
    reports_.Add(job_, OrderedReports::Kind::kText, text);
  }
  void Flush() override { reports_.Add(job_, OrderedReports::Kind::kFlush, {}); }
  void Log(std::string_view record) override {
    reports_.Add(job_, OrderedReports::Kind::kRecord, record);
  }
  void Place(PendingFile file) override { reports_.Place(job_, std::move(file)); }
  void MadeDirectory(const std::string& path) override {
    reports_.Add(job_, OrderedReports::Kind::kDirectory, path);
  }
  // Ends the job; nothing may be written after it.
  void Finish();
  // Ends the job unfinished, because the run is ending: neither it nor any later job commits
  // anything more.
  void Abandon();

 private:
  OrderedReports& reports_;
  std::uint64_t job_;
  bool finished_ = false;
};

}  // namespace morvane
