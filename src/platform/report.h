// What a job reports (console text and error-log records), and the ordering that lets jobs run
// side by side while their reports appear as if they had run one after another.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace morvane {

// Where error-log records go: each is one record's text, without the log's own framing.
class LogSink {
 public:
  virtual void Record(std::string_view text) = 0;

 protected:
  ~LogSink() = default;
};

// What one job reports through: its console text and its error-log records.
class Report : public Console {
 public:
  virtual void Log(std::string_view record) = 0;
};

// Keeps the reports of jobs in the order the jobs were started. The oldest unfinished job, the
// head, writes straight through to the console and the log, so the log on disk is as complete
// as the work done when the program stops. A later job's text, flushes and records wait in a
// buffer of its own until every job started before it has finished, then commit in start
// order, and from then on it writes straight through. Jobs on one thread each start as the
// head; jobs may also run on threads of their own.
class OrderedReports {
 public:
  OrderedReports(Console& console, LogSink& log) : console_(console), log_(log) {}
  OrderedReports(const OrderedReports&) = delete;
  OrderedReports& operator=(const OrderedReports&) = delete;

 private:
  friend class JobReport;

  enum class Kind { kText, kFlush, kRecord };
  struct Entry {
    Kind kind;
    std::string text;
  };
  struct Buffer {
    std::vector<Entry> entries;
    bool finished = false;
  };

  std::uint64_t Start();
  void Add(std::uint64_t job, Kind kind, std::string_view text);
  void Finish(std::uint64_t job);
  // Sends one entry to the console or the log; called with mutex_ held.
  void Apply(Kind kind, std::string_view text);

  Console& console_;
  LogSink& log_;
  std::mutex mutex_;
  std::uint64_t head_ = 0;  // number of the oldest unfinished job
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
  // Ends the job; nothing may be written after it.
  void Finish();

 private:
  OrderedReports& reports_;
  std::uint64_t job_;
  bool finished_ = false;
};

}  // namespace morvane
