#include "errlog/journal.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/path.h"

namespace morvane {

namespace {

constexpr std::string_view kJournalEnding = ".journal";
// Another run holds the log's lock only while it appends one block, so the lock is asked for
// again after a millisecond; after this many tries (about a second, as when a run holding it
// has been stopped) the append goes ahead without it rather than wait on.
constexpr int kLockTries = 1000;
constexpr std::chrono::milliseconds kLockRetry(1);
// Fresh journal names tried before giving up; a name is refused only when another process
// took the file at once.
constexpr int kNameTries = 10;

// A fresh name for a journal of the log at log_path.
std::string NewJournalPath(const std::string& log_path) {
  return log_path + "." + UniqueFileTag() + std::string(kJournalEnding);
}

// True for a name that NewJournalPath gives a journal of the log named log_name:
// "<log_name>.<digits>.<letters and digits>.journal".
bool IsJournalName(std::string_view name, std::string_view log_name) {
  if (!name.starts_with(log_name) || !name.ends_with(kJournalEnding)) return false;
  name.remove_prefix(log_name.size());
  name.remove_suffix(kJournalEnding.size());
  const std::size_t dot = name.rfind('.');
  if (!name.starts_with('.') || dot == 0 || dot == std::string_view::npos) return false;
  const std::string_view process = name.substr(1, dot - 1);
  const std::string_view letters = name.substr(dot + 1);
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const auto letter = [&](char c) {
    return digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  return !process.empty() && !letters.empty() &&
         std::all_of(process.begin(), process.end(), digit) &&
         std::all_of(letters.begin(), letters.end(), letter);
}

// Appends source whole to the existing log at log_path, holding the log's lock for that moment
// where the file system keeps locks.
bool AppendWhole(const std::string& log_path, const SharedFile& source) {
  std::optional<SharedFile> log = SharedFile::Open(log_path, SharedFile::Opening::kAppend);
  if (!log) return false;
  bool locked = false;
  for (int attempt = 0; attempt < kLockTries && !locked; ++attempt) {
    const SharedFile::Locking locking = log->TryLock();
    if (locking == SharedFile::Locking::kUnsupported) break;
    locked = locking == SharedFile::Locking::kTaken;
    if (!locked) std::this_thread::sleep_for(kLockRetry);
  }
  const bool appended = log->AppendContentOf(source);
  if (locked) log->Unlock();
  return appended;
}

}  // namespace

std::optional<Journal> Journal::Start(const std::string& log_path) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    std::string path = NewJournalPath(log_path);
    std::optional<SharedFile> file = SharedFile::Open(path, SharedFile::Opening::kCreateNew);
    if (!file) return std::nullopt;
    switch (file->TryLock()) {
      case SharedFile::Locking::kTaken:
        // Between its creation and the lock, another run may have taken the empty file for a
        // journal left behind and removed it.
        if (file->StandsAt(path)) return Journal(std::move(*file), std::move(path));
        break;
      case SharedFile::Locking::kBusy:
        break;  // that run holds it now, and removes it
      case SharedFile::Locking::kUnsupported:
        RemoveFile(path);
        return std::nullopt;
    }
  }
  return std::nullopt;
}

bool Journal::Write(std::string_view text) {
  return file_.Append(text);
}

bool Journal::AppendTo(const std::string& log_path) {
  if (!AppendWhole(log_path, file_)) return false;
  RemoveFile(path_);
  return true;
}

bool Journal::AppendOrphans(const std::string& log_path) const {
  const std::string directory = DirectoryPart(log_path);
  const std::string log_name = FileNamePart(log_path);
  bool appended = true;
  for (const std::string& name : DirectoryEntries(directory.empty() ? "." : directory)) {
    const std::string path = directory + name;
    if (!IsJournalName(name, log_name) || path == path_) continue;
    std::optional<SharedFile> file = SharedFile::Open(path, SharedFile::Opening::kUpdate);
    // A journal whose lock is held belongs to a run still going; one no longer under its name
    // has just been taken by another run.
    if (!file || file->TryLock() != SharedFile::Locking::kTaken || !file->StandsAt(path)) continue;
    // Under a name of this run's own, the journal is this run's now and no other run appends
    // it too; should this run end before it is appended, the next one finds it as this run
    // found it.
    Journal journal(std::move(*file), NewJournalPath(log_path));
    if (!RenameFile(path, journal.path_)) continue;
    if (!journal.AppendTo(log_path)) appended = false;
  }
  return appended;
}

}  // namespace morvane
