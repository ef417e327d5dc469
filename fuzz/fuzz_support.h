// What the fuzz targets share: a quiet console, a scratch directory for the GIFs, the line
// between the job's own errors and broken invariants, and the checks on what was written.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/report.h"

namespace morvane::fuzz {

// Drops the converter's progress lines, so that they do not flood the fuzzer's log.
class QuietConsole final : public Report {
 public:
  void Write(std::string_view) override {}
  void Flush() override {}
  void Log(std::string_view) override {}
};

// With MORVANE_FUZZ_VERBOSE set in the environment, tells an input's outcome on standard error,
// to see what a replayed input does; otherwise does nothing.
void Tell(const std::string& outcome);

// Reports a broken invariant on standard error and aborts, which the fuzzer takes as a crash.
[[noreturn]] void Fail(const std::string& what);

// A directory of its own under $TMPDIR (or /tmp) for the GIFs of one input at a time; removed
// with its content at exit.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& Path() const { return path_; }
  // Removes everything inside, keeping the directory.
  void Clear() const;
  // Every file left must be a whole output under its own name (a GIF that giflib decodes, a
  // PNG, WebP or atlas with its format's frame): a temporary file left behind or a file cut
  // short is a broken invariant.
  void CheckWrittenFiles() const;

 private:
  std::string path_;
};

// Runs one job. The job's own outcomes return normally: format errors (SpriteFormatError, a
// negative list capacity), input/output errors, the converter's limits and failures to write a GIF.
// Anything else is a broken invariant and aborts: an index error of a list, any GIF error; an
// exception that is not the system's own is left to escape and end the process.
void RunJob(const std::function<void()>& job);

}  // namespace morvane::fuzz
