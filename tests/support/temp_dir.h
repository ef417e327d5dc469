// A fresh directory for each test, under $TMPDIR (or /tmp), removed afterwards together with
// everything a test wrote there; permissions a test took away are given back first.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace morvane::testing {

// Makes a fresh directory named prefix + random letters under $TMPDIR (or the system's
// temporary directory) and returns its path; empty when none could be made.
inline std::string NewTempDirectory(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::error_code error;
  const std::string base = tmp != nullptr && *tmp != '\0'
                               ? std::string(tmp)
                               : std::filesystem::temp_directory_path(error).string();
  std::random_device random;
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = base + "/" + prefix;
    for (int i = 0; i < 8; ++i) path += kLetters[random() % (sizeof kLetters - 1)];
    if (std::filesystem::create_directory(path, error)) return path;
  }
  return {};
}

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = NewTempDirectory("morvane-test-");
    ASSERT_FALSE(dir_.empty());
  }

  void TearDown() override {
    namespace fs = std::filesystem;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(dir_, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_directory(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
      }
    }
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir_, error);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes bytes to dir_/name, creating its directories; returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::string dir_;
};

}  // namespace morvane::testing
