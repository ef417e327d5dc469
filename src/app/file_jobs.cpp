#include "app/file_jobs.h"

#include <memory>

namespace morvane {

void RunCounters::Count(JobOutcome outcome) {
  if (outcome == JobOutcome::kConverted) ++files_processed;
  if (outcome == JobOutcome::kFailed) ++error_count;
}

FileJobs::~FileJobs() {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntil(lock, 0);
}

void FileJobs::WaitUntil(std::unique_lock<std::mutex>& lock, int max_in_flight) {
  job_ended_.wait(lock, [&] { return in_flight_ <= max_in_flight; });
}

void FileJobs::ThrowIfInterrupted(std::unique_lock<std::mutex>& lock) {
  if (!interrupted_) return;
  WaitUntil(lock, 0);
  throw *interrupted_;
}

void FileJobs::Start(const std::string& file_spec, bool from_list,
                     const RunSettingsRecord& settings) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitUntil(lock, pool_.Concurrency() - 1);
    ThrowIfInterrupted(lock);
    ++in_flight_;
  }
  // The report starts here, on the walking thread, which fixes the job's place in the order.
  auto report = std::make_shared<JobReport>(reports_);
  pool_.Post([this, report, file_spec, from_list, settings]() mutable {
    std::optional<JobOutcome> outcome;
    std::optional<Interrupted> interrupted;
    try {
      outcome = ConvertFile(file_spec, from_list, settings, *report, pool_);
      report->Finish();
    } catch (const Interrupted& signal) {
      // Neither this job nor any later one commits anything more.
      report->Abandon();
      interrupted = signal;
    }
    report.reset();
    const std::lock_guard<std::mutex> lock(mutex_);
    if (outcome) counters_.Count(*outcome);
    if (interrupted && !interrupted_) interrupted_ = interrupted;
    --in_flight_;
    job_ended_.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex_);
  ThrowIfInterrupted(lock);
}

void FileJobs::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntil(lock, 0);
  ThrowIfInterrupted(lock);
}

}  // namespace morvane
