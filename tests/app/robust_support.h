// Helpers for the tests of bad input and faulty surroundings: a scratch directory per test, the
// real executable copied into it, a runner that can limit the size of the files the program
// writes and reports its peak memory, and small sprites.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sprwriter/sprwriter.h"

namespace morvane::robust {

namespace fs = std::filesystem;

inline const std::string kBanner =
    "Morvane mass converter 2.0 beta (09.04.2001)  by the morvane developers\n";

// What a run of the program left.
struct RunResult {
  std::string output;          // standard output and standard error together
  int status = -1;             // as from waitpid
  std::int64_t peakRssKb = 0;  // the program's largest resident set
};

// Runs program with arguments in the working directory cwd, with no standard input. With
// fileSizeLimit above 0, the program may not write any file larger than that many bytes (a
// full disk, as it looks to the writer: writes past the limit fail with "File too large").
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& cwd, std::int64_t fileSizeLimit = 0);

// Names in a directory (hidden ones too), sorted; empty when it does not exist.
std::vector<std::string> ListDirectory(const std::string& path);

std::string ReadText(const std::string& path);

// A sprite of one collection with one frame in one direction: a w x h image of palette
// entries 1 to 255 (noise when noisy, else one colour), played by the sequence "walk".
sprwriter::Sprite OneFrameSprite(std::int32_t w, std::int32_t h, bool noisy = false);
std::string Bytes(const sprwriter::Sprite& sprite);

// A fresh directory under $TMPDIR or /tmp with the real executable in bin/ (without
// configuration files it runs on its built-in defaults; its error log is bin/errors.log).
// Permissions changed by a test are restored before the directory is removed.
class RobustTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes bytes to dir_/name, creating its directories; returns the full path.
  std::string Write(const std::string& name, const std::string& bytes);
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Runs the program in dir_ (or dir_/cwd); expects it to end with exit code 0.
  RunResult Run(const std::vector<std::string>& arguments, const std::string& cwd = "",
                std::int64_t fileSizeLimit = 0);
  std::string ErrorLog() const { return ReadText(Path("bin/errors.log")); }
  // Whether this process can create a file in a directory without write permission, as root
  // can: then tests of read-only directories cannot work.
  bool PermissionsIgnored();

  std::string dir_;
};

}  // namespace morvane::robust
