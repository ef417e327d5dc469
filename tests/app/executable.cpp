#include "app/executable.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace morvane::e2e {

std::string ErrorLogWarning(int records) {
  return "WARNING: " + std::to_string(records) +
         " record(s) in the Error Log.\n"
         "Please send errors.log file to morvane-bugs@example.org as soon as possible.\n";
}

std::string ParsedOne(const std::string& file, const std::string& sequence) {
  return "Parsing '" + file + "'\t1 sequence(s), 1 image collection(s)\n\t" + sequence +
         std::string(sequence.size() < 20 ? 20 - sequence.size() : 0, ' ');
}

std::string Summary(int processed, int errors, int log_records) {
  std::string text = std::to_string(processed) + " file(s) processed\n";
  if (errors > 0) text += std::to_string(errors) + " error(s) encountered\n";
  return log_records > 0 ? text + ErrorLogWarning(log_records) : text;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& cwd, std::int64_t file_size_limit,
                     const std::vector<std::string>& environment) {
  RunResult result;
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return result;
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment_text;
  // An inherited variable that environment sets again is left out, so that the given value is
  // the one the program reads.
  std::vector<std::string> left_out{"HOME=", "XDG_STATE_HOME="};
  for (const std::string& entry : environment)
    left_out.push_back(entry.substr(0, entry.find('=') + 1));
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (std::none_of(left_out.begin(), left_out.end(),
                     [&](const std::string& name) { return text.starts_with(name); })) {
      environment_text.emplace_back(text);
    }
  }
  environment_text.insert(environment_text.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& text : environment_text) envp.push_back(text.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    const int null = ::open("/dev/null", O_RDONLY);
    if (null < 0 || ::dup2(null, STDIN_FILENO) < 0 || ::dup2(pipe_fds[1], STDOUT_FILENO) < 0 ||
        ::dup2(pipe_fds[1], STDERR_FILENO) < 0 || ::chdir(cwd.c_str()) != 0) {
      ::_exit(127);
    }
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    if (file_size_limit > 0) {
      // The writer then sees EFBIG instead of being killed by SIGXFSZ; both survive exec.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(file_size_limit),
                         static_cast<rlim_t>(file_size_limit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(125);
  }
  ::close(pipe_fds[1]);
  if (pid < 0) {
    ::close(pipe_fds[0]);
    return result;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.output.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipe_fds[0]);
  rusage usage{};
  while (::wait4(pid, &result.status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.peak_rss_kb = usage.ru_maxrss;
  return result;
}

void ExecutableTest::SetUp() {
  TempDirTest::SetUp();
  const char* build = std::getenv("MORVANE_BINARY_DIR");
  ASSERT_NE(build, nullptr) << "MORVANE_BINARY_DIR names the build directory";
  fs::create_directory(Path("bin"));
  fs::copy_file(std::string(build) + "/src/app/morvane", Path("bin/morvane"));
}

RunResult ExecutableTest::RunMeasured(const std::vector<std::string>& arguments,
                                      const std::string& cwd, std::int64_t file_size_limit) {
  RunResult result = RunProgram(Path("bin/morvane"), arguments, cwd.empty() ? dir_ : Path(cwd),
                                file_size_limit, environment_);
  EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0)
      << "status " << result.status << "\n"
      << result.output;
  return result;
}

bool ExecutableTest::PermissionsIgnored() const {
  const std::string probe = Path("probe");
  fs::create_directory(probe);
  fs::permissions(probe, fs::perms::owner_read | fs::perms::owner_exec);
  const int fd = ::open((probe + "/file").c_str(), O_WRONLY | O_CREAT, 0600);
  if (fd >= 0) ::close(fd);
  fs::permissions(probe, fs::perms::owner_all);
  fs::remove_all(probe);
  return fd >= 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

std::string MaskLogTimes(const std::string& log) {
  std::istringstream in(log);
  std::string out, line;
  while (std::getline(in, line)) {
    for (const char* word : {"started ", "closed "}) {
      const std::size_t at = line.find(word);
      if (at != std::string::npos) line = line.substr(0, at + std::string(word).size()) + "<time>";
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace morvane::e2e
