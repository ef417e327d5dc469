#include "platform/report.h"

namespace morvane {

std::uint64_t OrderedReports::Start() {
  const std::lock_guard<std::mutex> lock(mutex_);
  buffers_.emplace_back();
  return head_ + buffers_.size() - 1;
}

void OrderedReports::Add(std::uint64_t job, Kind kind, std::string_view text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (job == head_) {
    Apply(kind, text);
  } else {
    buffers_[job - head_].entries.push_back(Entry{kind, std::string(text)});
  }
}

void OrderedReports::Finish(std::uint64_t job) {
  const std::lock_guard<std::mutex> lock(mutex_);
  buffers_[job - head_].finished = true;
  while (!buffers_.empty() && buffers_.front().finished) {
    buffers_.pop_front();
    ++head_;
    if (buffers_.empty()) break;
    // The next job becomes the head: what it wrote so far commits now, the rest goes through.
    for (const Entry& entry : buffers_.front().entries) Apply(entry.kind, entry.text);
    buffers_.front().entries.clear();
  }
}

void OrderedReports::Apply(Kind kind, std::string_view text) {
  switch (kind) {
    case Kind::kText:
      console_.Write(text);
      break;
    case Kind::kFlush:
      console_.Flush();
      break;
    case Kind::kRecord:
      log_.Record(text);
      break;
  }
}

void JobReport::Finish() {
  if (finished_) return;
  finished_ = true;
  reports_.Finish(job_);
}

}  // namespace morvane
