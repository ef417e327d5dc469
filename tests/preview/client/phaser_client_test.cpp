// A real client of the full-alpha outputs: a sprite sheet with its JSON atlas and a direction's
// animated WebP, served from a loopback HTTP server to headless Chromium, where Phaser 3 (from
// the npm registry, installed once under the build tree) loads the atlas and draws every frame
// of every frame tag with its canvas renderer, and the browser's ImageDecoder decodes the WebP.
// The page (phaser_client.html) posts what it saw back to the server.
//
// Skipped, saying why, where Chromium or npm is missing or the registry cannot be reached.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "preview/full_alpha_support.h"
#include "support/temp_dir.h"

namespace morvane::preview {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kPhaserPackage = "phaser@3";
constexpr std::chrono::seconds kPageTimeout{30};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The first of names found as a program on PATH; empty when there is none.
std::string FindProgram(std::initializer_list<const char*> names) {
  const char* path = std::getenv("PATH");
  for (const char* name : names) {
    std::stringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
      const std::string candidate = folder + "/" + name;
      if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
  }
  return "";
}

// A program run in the background with its output in a log file; ended (SIGTERM) and waited
// for when it goes out of scope unless Wait() saw it end.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::string& log) {
    std::vector<std::string> texts = arguments;
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
      if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) {
        ::_exit(127);
      }
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    Wait();
  }

  // The exit status; -1 when the program did not exit normally.
  int Wait() {
    int status = 0;
    const bool ended = pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
};

// An open socket, closed when it goes out of scope.
class Socket {
 public:
  explicit Socket(int fd = -1) : fd_(fd) {}
  Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// An HTTP server on 127.0.0.1 (a port the system picks) for the files of one folder, each
// connection answered on a thread of its own (the browser keeps idle connections open). GET
// serves a file of the folder by its plain name; POST /result hands its body to WaitForResult.
class LoopbackServer {
 public:
  explicit LoopbackServer(fs::path root)
      : root_(std::move(root)), listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_.get() < 0 ||
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 16) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "cannot listen on 127.0.0.1: " << std::strerror(errno);
      return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
  ~LoopbackServer() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
  }

  int port() const { return port_; }

  std::optional<std::string> WaitForResult(std::chrono::seconds timeout) {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [this] { return result_.has_value(); });
    return result_;
  }

 private:
  static constexpr int kPollMs = 100;

  void Accept() {
    while (!stopping_) {
      pollfd waiting{listener_.get(), POLLIN, 0};
      if (::poll(&waiting, 1, kPollMs) <= 0) continue;
      Socket connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (connection.get() < 0) continue;
      connections_.emplace_back(
          [this, socket = std::move(connection)]() mutable { Answer(std::move(socket)); });
    }
  }

  // Reads until the text holds size bytes past offset or the peer goes; false once stopping.
  bool ReadUntil(const Socket& connection, std::string& text, const auto& complete) {
    char buffer[16384];
    while (!complete()) {
      pollfd waiting{connection.get(), POLLIN, 0};
      if (stopping_) return false;
      if (::poll(&waiting, 1, kPollMs) <= 0) continue;
      const ssize_t got = ::recv(connection.get(), buffer, sizeof buffer, 0);
      if (got <= 0) return false;
      text.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
  }

  void Answer(Socket connection) {
    std::string request;
    if (!ReadUntil(connection, request,
                   [&] { return request.find("\r\n\r\n") != std::string::npos; })) {
      return;
    }
    const std::size_t head_end = request.find("\r\n\r\n") + 4;
    std::istringstream head(request.substr(0, head_end));
    std::string method, target;
    head >> method >> target;
    const std::string path = target.substr(0, target.find('?'));
    if (method == "POST" && path == "/result") {
      std::size_t length = 0;
      for (std::string line; std::getline(head, line);) {
        if (line.size() > 15 && strncasecmp(line.c_str(), "content-length:", 15) == 0) {
          length = std::stoul(line.substr(15));
        }
      }
      if (!ReadUntil(connection, request, [&] { return request.size() >= head_end + length; })) {
        return;
      }
      Send(connection, "200 OK", "text/plain", "");
      const std::lock_guard lock(mutex_);
      result_ = request.substr(head_end, length);
      posted_.notify_all();
      return;
    }
    // Only plain names of the folder's files.
    const std::string name = path.substr(1);
    const bool plain = !name.empty() && name[0] != '.' &&
                       name.find_first_not_of(
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                           "0123456789._-") == std::string::npos;
    if (method != "GET" || !plain || !fs::is_regular_file(root_ / name)) {
      Send(connection, "404 Not Found", "text/plain", "");
      return;
    }
    static const std::map<std::string, std::string> kTypes = {{".html", "text/html; charset=utf-8"},
                                                              {".js", "text/javascript"},
                                                              {".json", "application/json"},
                                                              {".png", "image/png"},
                                                              {".webp", "image/webp"}};
    const auto type = kTypes.find(fs::path(name).extension().string());
    Send(connection, "200 OK", type != kTypes.end() ? type->second : "application/octet-stream",
         ReadFile(root_ / name));
  }

  static void Send(const Socket& connection, const std::string& status, const std::string& type,
                   const std::string& body) {
    const std::string response = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                                 "\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    for (std::size_t sent = 0; sent < response.size();) {
      const ssize_t n =
          ::send(connection.get(), response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  fs::path root_;
  Socket listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::vector<std::thread> connections_;  // touched by the acceptor, joined after it
  std::mutex mutex_;
  std::condition_variable posted_;
  std::optional<std::string> result_;
};

// Installs Phaser once into the build tree's npm folder; the path of its script, or empty with
// the reason in why.
std::string InstallPhaser(const std::string& npm, std::string& why) {
  const fs::path prefix = MORVANE_NPM_PREFIX;
  const fs::path script = prefix / "node_modules/phaser/dist/phaser.min.js";
  if (fs::exists(script)) return script;
  fs::create_directories(prefix);
  const std::string log = (prefix / "install.log").string();
  const int status = Child({"timeout", "300", npm, "install", "--prefix", prefix.string(),
                            "--no-audit", "--no-fund", "--ignore-scripts", kPhaserPackage},
                           log)
                         .Wait();
  if (status != 0 || !fs::exists(script)) {
    why = "npm could not install " + std::string(kPhaserPackage) + " (status " +
          std::to_string(status) + "); the registry may be out of reach:\n" + ReadFile(log);
    return "";
  }
  return script;
}

class PhaserClientTest : public morvane::testing::TempDirTest {};

TEST_F(PhaserClientTest, PhaserLoadsTheSheetAndTheBrowserDecodesTheWebp) {
  const std::string chromium = FindProgram({"chromium", "chromium-browser"});
  const std::string npm = FindProgram({"npm"});
  if (chromium.empty()) GTEST_SKIP() << "headless Chromium is not installed (Debian: chromium)";
  if (npm.empty()) GTEST_SKIP() << "npm is not installed (Debian: npm), so Phaser cannot be";
  std::string why;
  const std::string phaser = InstallPhaser(npm, why);
  if (phaser.empty()) GTEST_SKIP() << why;

  // A sprite whose two directions show the frames of walk, each as one layer over nothing, so
  // that the converter writes their pixels as they are: soft shadows whose alpha tells each frame
  // apart. The converter makes the sheet "walk" of both directions and their WebPs.
  const testing::AlphaSequence walk{"walk", {"walk_00", "walk_01"}, 10, 7, 4, 120};
  constexpr e2e::Colour kShadow = e2e::Rgb(20, 16, 40), kBody = e2e::Rgb(220, 60, 30);
  e2e::TestSprite sprite(walk.width, walk.height);
  e2e::Anim anim("walk", static_cast<std::int32_t>(walk.frame_count), 2);
  anim.palettes[0] = {kShadow, kBody};
  std::vector<std::int16_t> sequence;
  for (std::int32_t k = 0; k < walk.frame_count; ++k) {
    sequence.push_back(static_cast<std::int16_t>(k));
    for (std::int32_t d = 0; d < 2; ++d) {
      const std::vector<rgba::RgbaPixel> shown = testing::AlphaFrame(walk, d, k);
      anim.SetBox(k, d, {0, 0, walk.width, walk.height});
      anim.SetLayer(k, d, 0, e2e::Picture::Paint(0, 0, walk.width, walk.height, [&](int x, int y) {
                      const rgba::RgbaPixel pixel = shown[std::size_t(y) * walk.width + x];
                      return e2e::Pixel{static_cast<std::uint8_t>((pixel & 0xFFFFFF) == kBody),
                                        rgba::AlphaOf(pixel)};
                    }));
    }
  }
  sprite.anims = {anim};
  sprite.AddSequence(walk.name, sequence, 0);
  Write("site.spr", sprite.Bytes());
  const e2e::RunResult converted = e2e::RunProgram(
      MORVANE_CONVERTER, {"-f=sheet,webp", "-a=" + std::to_string(walk.duration_ms), "site.spr"},
      dir_);
  ASSERT_EQ(converted.status, 0) << converted.output;
  const std::string site = dir_ + "/site";
  const std::string sheet = walk.name, webp = walk.stems[0];
  fs::copy_file(phaser, site + "/phaser.min.js");
  fs::copy_file(MORVANE_CLIENT_PAGE, site + "/phaser_client.html");

  std::optional<std::string> result;
  {
    LoopbackServer server(site);
    ASSERT_GT(server.port(), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) +
                            "/phaser_client.html?sheet=" + sheet + "&webp=" + webp;
    const Child browser(
        {"timeout", "60", chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage", "--user-data-dir=" + dir_ + "/profile", url},
        dir_ + "/browser.log");
    result = server.WaitForResult(kPageTimeout);
  }
  ASSERT_TRUE(result.has_value()) << "the page posted nothing in " << kPageTimeout.count()
                                  << " s; the browser said:\n"
                                  << ReadFile(dir_ + "/browser.log");

  // What the page must have seen, from the atlas (read here with another JSON reader than the
  // browser's): Phaser's texture and animations hold the atlas's frames by name, at its size;
  // each frame's first pixel of partial alpha keeps its alpha as the browser decodes the PNG
  // and as Phaser's canvas renderer draws it; the WebP has the direction's frames, loops for
  // ever, lasts the atlas's durations and has the same alpha there. That pixel and its alpha
  // come from the frames made here: the start of the shadow, of the frame's own alpha.
  const Json atlas = Json::parse(ReadFile(site + "/" + sheet + ".json"));
  const Json& frames = atlas.at("frames");
  const auto cell = [&](std::size_t i) {
    const Json& frame = frames.at(i).at("frame");
    return std::to_string(frame.at("w").get<int>()) + " " +
           std::to_string(frame.at("h").get<int>());
  };
  const std::string shadow_start = "0 " + std::to_string(walk.height - 1);
  std::string expected = "texture " + std::to_string(frames.size()) + "\n";
  std::string expected_webp;
  std::size_t direction = 0;
  for (const Json& tag : atlas.at("meta").at("frameTags")) {
    const std::size_t from = tag.at("from"), to = tag.at("to");
    expected +=
        "tag " + tag.at("name").get<std::string>() + " " + std::to_string(to - from + 1) + "\n";
    for (std::size_t i = from; i <= to; ++i) {
      const std::int64_t k = static_cast<std::int64_t>(i - from);
      const std::string alpha = std::to_string(testing::ShadowAlpha(direction, k));
      expected += "frame " + frames.at(i).at("filename").get<std::string>() + " " + cell(i) + " " +
                  shadow_start + " " + alpha + " " + alpha + "\n";
      if (tag.at("name") == webp) {
        if (i == from) {
          expected_webp = "webp " + std::to_string(to - from + 1) + " Infinity " + cell(i) + "\n";
        }
        expected_webp += "webp_frame " + std::to_string(k) + " " +
                         std::to_string(frames.at(i).at("duration").get<int>() * 1000) + " " +
                         alpha + "\n";
      }
    }
    ++direction;
  }
  EXPECT_EQ(*result, expected + expected_webp + "done");
}

}  // namespace
}  // namespace morvane::preview
