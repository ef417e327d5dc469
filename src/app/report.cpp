#include "app/report.h"

#include "core/errors.h"
#include "platform/signals.h"

namespace morvane {

void Report::Place(PendingFile file) {
  Signals::ThrowIfPending();
  file.Place();
}

std::uint64_t OrderedReports::Start() {
  const std::lock_guard<std::mutex> lock(mutex_);
  buffers_.emplace_back();
  return head_ + buffers_.size() - 1;
}

void OrderedReports::Add(std::uint64_t job, Kind kind, std::string_view text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  // A directory is noted even behind an abandoned job, so that it goes when that job ends.
  if (job >= abandoned_ && kind != Kind::kDirectory) return;
  Entry entry{kind, std::string(text), std::nullopt};
  if (job == head_) {
    Apply(entry);
  } else {
    buffers_[job - head_].entries.push_back(std::move(entry));
  }
}

void OrderedReports::Place(std::uint64_t job, PendingFile file) {
  // The head places its file at once, with the errors one job alone would meet.
  Signals::ThrowIfPending();
  const std::lock_guard<std::mutex> lock(mutex_);
  if (job >= abandoned_) return;
  if (job == head_) {
    file.Place();
  } else {
    buffers_[job - head_].entries.push_back(Entry{Kind::kFile, {}, std::move(file)});
  }
}

void OrderedReports::Finish(std::uint64_t job) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Buffer& buffer = buffers_[job - head_];
  buffer.ended = true;
  if (job >= abandoned_) {
    Discard(buffer);
    return;
  }
  buffer.finished = true;
  while (!buffers_.empty() && buffers_.front().finished) {
    buffers_.pop_front();
    ++head_;
    if (buffers_.empty() || head_ >= abandoned_) break;
    // The next job becomes the head: what it wrote so far commits now, the rest goes through.
    for (Entry& entry : buffers_.front().entries) Apply(entry);
    buffers_.front().entries.clear();
  }
}

void OrderedReports::Abandon(std::uint64_t job) {
  const std::lock_guard<std::mutex> lock(mutex_);
  buffers_[job - head_].ended = true;
  if (job > abandoned_) {
    Discard(buffers_[job - head_]);
    return;
  }
  abandoned_ = job;
  buffers_[job - head_].entries.clear();
  // What waits behind it is dropped: the files among it are removed, and the directories of the
  // jobs that have ended (the others' go when they end).
  for (std::uint64_t later = job + 1; later - head_ < buffers_.size(); ++later) {
    Buffer& buffer = buffers_[later - head_];
    if (buffer.ended) {
      Discard(buffer);
    } else {
      std::erase_if(buffer.entries,
                    [](const Entry& entry) { return entry.kind != Kind::kDirectory; });
    }
  }
}

void OrderedReports::Discard(Buffer& buffer) {
  std::vector<std::string> directories;
  for (const Entry& entry : buffer.entries)
    if (entry.kind == Kind::kDirectory) directories.push_back(entry.text);
  buffer.entries.clear();  // removes the files first
  for (const std::string& directory : directories) RemoveEmptyDirectory(directory);
}

void OrderedReports::Apply(Entry& entry) {
  switch (entry.kind) {
    case Kind::kText:
      console_.Write(entry.text);
      break;
    case Kind::kFlush:
      console_.Flush();
      break;
    case Kind::kRecord:
      log_.Record(entry.text);
      break;
    case Kind::kDirectory:
      break;  // it stays
    case Kind::kFile:
      // The path was checked when the file was written; only something outside the run that
      // takes the path meanwhile makes this fail, and then the console says so.
      try {
        entry.file->Place();
      } catch (const Error& e) {
        console_.Write("\tError: " + e.Message() + "\n");
      }
      break;
  }
}

void JobReport::Finish() {
  if (finished_) return;
  finished_ = true;
  reports_.Finish(job_);
}

void JobReport::Abandon() {
  if (finished_) return;
  finished_ = true;
  reports_.Abandon(job_);
}

}  // namespace morvane
