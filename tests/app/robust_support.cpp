#include "app/robust_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace morvane::robust {

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& cwd, std::int64_t fileSizeLimit) {
  RunResult result;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return result;
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    const int null = ::open("/dev/null", O_RDONLY);
    if (null < 0 || ::dup2(null, STDIN_FILENO) < 0 || ::dup2(pipeFds[1], STDOUT_FILENO) < 0 ||
        ::dup2(pipeFds[1], STDERR_FILENO) < 0 || ::chdir(cwd.c_str()) != 0) {
      ::_exit(127);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    if (fileSizeLimit > 0) {
      // The writer then sees EFBIG instead of being killed by SIGXFSZ; both survive exec.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(125);
  }
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return result;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.output.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  rusage usage{};
  while (::wait4(pid, &result.status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.peakRssKb = usage.ru_maxrss;
  return result;
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
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

sprwriter::Sprite OneFrameSprite(std::int32_t w, std::int32_t h, bool noisy) {
  sprwriter::Sprite sprite;
  sprite.width = w;
  sprite.height = h;
  sprwriter::Collection collection;
  collection.name = "body";
  collection.frameCount = 1;
  collection.directionCount = 1;
  for (std::uint32_t i = 0; i < 256; ++i) {
    collection.images.palettes[0].colours.push_back((i * 2654435761u) & 0xFFFFFFu);
  }
  collection.SetBox(0, 0, {0, 0, w, h});
  std::vector<sprwriter::Pixel> pixels(static_cast<std::size_t>(w) * h);
  std::uint32_t seed = 1;
  for (sprwriter::Pixel& pixel : pixels) {
    seed = seed * 1103515245u + 12345u;
    pixel = {static_cast<std::uint8_t>(noisy ? 1 + (seed >> 16) % 255 : 7), 255};
  }
  collection.SetSubImage(0, 0, 0, sprwriter::Zar::FromPixels(0, 0, w, h, pixels));
  sprite.collections.push_back(std::move(collection));
  sprwriter::Sequence walk;
  walk.name = "walk";
  walk.frames = {0};
  sprite.sequences.push_back(walk);
  return sprite;
}

std::string Bytes(const sprwriter::Sprite& sprite) {
  const sprwriter::Bytes bytes = sprwriter::WriteSprite(sprite);
  return std::string(bytes.begin(), bytes.end());
}

void RobustTest::SetUp() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/morvane-robust-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  const char* build = std::getenv("MORVANE_BINARY_DIR");
  ASSERT_NE(build, nullptr) << "MORVANE_BINARY_DIR names the build directory";
  fs::create_directory(Path("bin"));
  fs::copy_file(std::string(build) + "/src/app/morvane", Path("bin/morvane"));
}

void RobustTest::TearDown() {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(dir_, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(dir_, error);
}

std::string RobustTest::Write(const std::string& name, const std::string& bytes) {
  const std::string path = Path(name);
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

RunResult RobustTest::Run(const std::vector<std::string>& arguments, const std::string& cwd,
                          std::int64_t fileSizeLimit) {
  RunResult result =
      RunProgram(Path("bin/morvane"), arguments, cwd.empty() ? dir_ : Path(cwd), fileSizeLimit);
  EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0)
      << "status " << result.status << "\n"
      << result.output;
  return result;
}

bool RobustTest::PermissionsIgnored() {
  const std::string probe = Path("probe");
  fs::create_directory(probe);
  fs::permissions(probe, fs::perms::owner_read | fs::perms::owner_exec);
  const int fd = ::open((probe + "/file").c_str(), O_WRONLY | O_CREAT, 0600);
  if (fd >= 0) ::close(fd);
  fs::permissions(probe, fs::perms::owner_all);
  fs::remove_all(probe);
  return fd >= 0;
}

}  // namespace morvane::robust
