// The per-file jobs of a run, converted side by side on the worker pool while their reports,
// GIFs and counts come out in the order the jobs were started.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "app/convert_file.h"
#include "app/report.h"
#include "params/run_settings.h"
#include "platform/signals.h"
#include "platform/worker_pool.h"

namespace morvane {

// Files converted without an error, and files whose job ended in an error.
struct RunCounters {
  std::int32_t files_processed = 0;
  std::int32_t error_count = 0;

  void Count(JobOutcome outcome);
};

class FileJobs {
 public:
  // At most as many jobs are in flight as the pool has threads, so memory stays bounded by that
  // many sprites. The reports and counters must outlive the jobs.
  FileJobs(WorkerPool& pool, OrderedReports& reports, RunCounters& counters)
      : pool_(pool), reports_(reports), counters_(counters) {}
  // Waits for the jobs in flight.
  ~FileJobs();
  FileJobs(const FileJobs&) = delete;
  FileJobs& operator=(const FileJobs&) = delete;

  // Starts the job of one file spec with a copy of the settings in force, waiting first while
  // the pool is full. Throws Interrupted, after the jobs in flight have ended, once a job was
  // cut short by a signal; no job starts after that.
  void Start(const std::string& file_spec, bool from_list, const RunSettingsRecord& settings);

  // Waits for every job started; throws Interrupted as Start does.
  void Wait();

 private:
  // Waits, with mutex_ held by lock, until at most max_in_flight jobs run.
  void WaitUntil(std::unique_lock<std::mutex>& lock, int max_in_flight);
  void ThrowIfInterrupted(std::unique_lock<std::mutex>& lock);

  WorkerPool& pool_;
  OrderedReports& reports_;
  RunCounters& counters_;  // guarded by mutex_ while jobs run

  std::mutex mutex_;
  std::condition_variable job_ended_;
  int in_flight_ = 0;
  std::optional<Interrupted> interrupted_;
};

}  // namespace morvane
