// Files that several processes append to at once: a file held open for appending that the
// processes lock against one another while they write, and the directory listing that finds
// such files. The locks are advisory (they hold back only the processes that take them too) and
// belong to the open file: one is released when its file is closed, also by the system when
// the process that held it is killed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

class SharedFile {
 public:
  enum class Opening {
    kAppend,     // an existing file, for appending
    kCreateNew,  // a regular file made now, for reading and appending; fails where anything
                 // stands at the path already
    kUpdate,     // an existing regular file, for reading and appending (write access lets every
                 // file system lock it); a link at the path is not followed
  };
  enum class Locking {
    kTaken,        // this file now holds the lock
    kBusy,         // another open file holds it, in another process or in this one
    kUnsupported,  // the file system keeps no such locks
  };

  // nullopt when the file cannot be opened as asked.
  static std::optional<SharedFile> Open(const std::string& path, Opening how);

  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  SharedFile(SharedFile&& other) noexcept;
  SharedFile& operator=(SharedFile&& other) noexcept;
  ~SharedFile();

  // Takes the file's exclusive lock without waiting for it. It lasts until Unlock or until the
  // file is closed.
  Locking TryLock();
  void Unlock();

  // Writes all of text at the end of the file, in one write where the system takes it whole.
  // False when not all of it could be written.
  bool Append(std::string_view text);
  // Appends the whole content of source, read from its start, in pieces of at most a mebibyte.
  // False when not all of it could be read and written.
  bool AppendContentOf(const SharedFile& source);

  // True while this file is the one under path: it has been neither removed nor replaced
  // there since it was opened.
  bool StandsAt(const std::string& path) const;

 private:
  explicit SharedFile(std::intptr_t handle) : handle_(handle) {}
  void CloseHandle();

  static constexpr std::intptr_t kNoHandle = -1;
  std::intptr_t handle_;  // the system's handle of the open file, kNoHandle once moved from
};

// The names in a directory, without "." and ".."; empty when it cannot be read.
std::vector<std::string> DirectoryEntries(const std::string& directory);

// Removes the file at path; false when it was not removed.
bool RemoveFile(const std::string& path);

// Gives the file at from the name to, replacing what stands there (open files keep their
// locks); false when it was not renamed.
bool RenameFile(const std::string& from, const std::string& to);

// A text for a file name that no other process running now makes: this process's id, a dot
// and random letters.
std::string UniqueFileTag();

}  // namespace morvane
