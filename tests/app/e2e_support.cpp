#include "app/e2e_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace morvane::e2e {

void TempDirTest::SetUp() {
  char pattern[] = "/tmp/morvane-app-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
}

void TempDirTest::TearDown() {
  fs::remove_all(dir_);
}

std::string TempDirTest::Write(const std::string& name, const std::string& bytes) {
  const std::string path = dir_ + "/" + name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string RunProgram(const std::string& program, const std::string& cwd,
                       const std::vector<std::string>& arguments) {
  int out[2];
  if (::pipe(out) != 0) return "pipe failed";
  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    const int null = ::open("/dev/null", O_RDONLY);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(out[1], 2) < 0 ||
        ::chdir(cwd.c_str()) != 0) {
      ::_exit(127);
    }
    ::close(out[0]);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string output;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
    output.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  return output;
}

void ExecutableTest::SetUp() {
  TempDirTest::SetUp();
  const char* build = std::getenv("MORVANE_BINARY_DIR");
  ASSERT_NE(build, nullptr);
  fs::create_directory(dir_ + "/bin");
  fs::copy_file(std::string(build) + "/src/app/morvane", Program());
}

std::string ExecutableTest::RunIn(const std::string& cwd,
                                  const std::vector<std::string>& arguments) {
  return RunProgram(Program(), cwd.empty() ? dir_ : dir_ + "/" + cwd, arguments);
}

}  // namespace morvane::e2e
