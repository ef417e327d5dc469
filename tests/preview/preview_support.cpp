#include "preview/preview_support.h"

#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "preview/preview.h"

namespace morvane::preview::testing {

Outcome Run(const std::string& program, const std::string& cwd,
            const std::vector<std::string>& arguments) {
  const e2e::RunResult result = e2e::RunProgram(program, arguments, cwd);
  return {WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1, result.output};
}

namespace {

std::string Word(int value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

}  // namespace

GifBytes::GifBytes(int width, int height) {
  // Header, screen with a global map of two colours (black, white).
  bytes_ = "GIF89a" + Word(width) + Word(height) + std::string("\x80\x00\x00", 3) +
           std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
}

GifBytes& GifBytes::Loop(int count) {
  bytes_ += std::string("\x21\xFF\x0B", 3) + "NETSCAPE2.0" + std::string("\x03\x01", 2) +
            Word(count) + std::string(1, '\0');
  return *this;
}

GifBytes& GifBytes::Control(int delay, int transparent_index) {
  const char flags = transparent_index >= 0 ? 1 : 0;
  bytes_ += std::string("\x21\xF9\x04", 3) + flags + Word(delay) +
            static_cast<char>(transparent_index >= 0 ? transparent_index : 0) + '\0';
  return *this;
}

GifBytes& GifBytes::Frame() {
  // A 1 x 1 image at (0, 0); LZW minimum code size 2, codes clear (4), 0, end (5) in 3 bits.
  bytes_ += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
            std::string("\x02\x02\x44\x01\x00", 5);
  return *this;
}

GifBytes& GifBytes::Raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

std::string GifBytes::End() const {
  return bytes_ + ";";
}

std::string FindProgram(const std::vector<std::string>& names) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  std::vector<std::string> list;
  for (std::string folder; std::getline(folders, folder, ':');) list.push_back(folder);
  for (const std::string& name : names) {
    for (const std::string& folder : list) {
      const std::string candidate = folder + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
  }
  return "";
}

namespace {

// Runs the browser under timeout(1), so that a hung browser cannot stall the test, with the
// flags for a quiet, self-contained headless run that reaches for nothing on the network.
Outcome RunBrowser(const std::string& chromium, const std::string& profile,
                   const std::vector<std::string>& extra, const std::string& page,
                   const std::string& fragment = "") {
  std::vector<std::string> arguments = {"180",
                                        chromium,
                                        "--headless",
                                        "--no-sandbox",
                                        "--disable-gpu",
                                        "--disable-quic",
                                        "--no-first-run",
                                        "--disable-background-networking",
                                        "--disable-component-update",
                                        "--disable-sync",
                                        "--disable-dev-shm-usage",
                                        "--user-data-dir=" + profile};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("file://" + EncodeUrlPath(fs::absolute(page).string()) + fragment);
  return Run(FindProgram({"timeout"}), fs::path(page).parent_path().string(), arguments);
}

// Writes one line per image, marked cell and failed folder; every value is URI-encoded so the
// lines survive the DOM dump as they are.
constexpr std::string_view kProbe = R"(<script>
window.addEventListener('load', () => {
  const lines = [];
  const e = encodeURIComponent;
  // With "#text" after the URL, the text is typed into the filter box first.
  const filter = document.getElementById('filter');
  filter.value = decodeURIComponent(location.hash.slice(1));
  filter.dispatchEvent(new Event('input'));
  for (const card of document.querySelectorAll('.card'))
    if (!card.hidden) lines.push('shown ' + e(card.closest('.folder').dataset.name + '/' + card.dataset.name));
  for (const img of document.images)
    lines.push((img.naturalWidth > 0 ? 'decoded ' : 'undecoded ') + e(img.getAttribute('src')));
  for (const cell of document.querySelectorAll('.gif.broken'))
    lines.push('broken ' + e(cell.dataset.file || cell.querySelector('img').getAttribute('src')));
  for (const folder of document.querySelectorAll('.folder.failed'))
    lines.push('failed ' + e(folder.dataset.name));
  const pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = lines.join('\n');
  document.body.append(pre);
});
</script>
)";

std::string DecodeUriComponent(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace

PageView OpenPage(const std::string& chromium, const std::string& page, const std::string& profile,
                  const std::string& filter) {
  PageView view;
  std::string html = ReadText(page);
  const std::size_t body_end = html.rfind("</body>");
  EXPECT_NE(body_end, std::string::npos);
  if (body_end == std::string::npos) return view;
  html.insert(body_end, kProbe);
  const std::string probe_page = (fs::path(page).parent_path() / "probe-page.html").string();
  std::ofstream(probe_page, std::ios::binary) << html;

  const Outcome outcome =
      RunBrowser(chromium, profile, {"--dump-dom"}, probe_page, "#" + EncodeUrlPath(filter));
  fs::remove(probe_page);
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  const std::size_t start = outcome.output.find("<pre id=\"probe\">");
  const std::size_t end = outcome.output.find("</pre>", start);
  EXPECT_NE(start, std::string::npos) << "no probe results in the DOM:\n" << outcome.output;
  if (start == std::string::npos || end == std::string::npos) return view;
  std::stringstream lines(outcome.output.substr(start + 16, end - start - 16));
  for (std::string kind, value; lines >> kind >> value;) {
    value = DecodeUriComponent(value);
    if (kind == "decoded") view.decoded.insert(value);
    if (kind == "undecoded") view.undecoded.insert(value);
    if (kind == "broken") view.broken.insert(value);
    if (kind == "failed") view.failed_folders.insert(value);
    if (kind == "shown") view.shown_cards.insert(value);
  }
  return view;
}

void Screenshot(const std::string& chromium, const std::string& page, const std::string& profile,
                const std::string& png) {
  const Outcome outcome =
      RunBrowser(chromium, profile,
                 {"--hide-scrollbars", "--window-size=1400,1000", "--screenshot=" + png}, page);
  EXPECT_EQ(outcome.status, 0) << outcome.output;
}

namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

}  // namespace

Picture ReadPng(const std::string& path) {
  const std::string file = ReadText(path);
  Picture picture;
  if (file.size() < 33 || file.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 ||
      file.compare(12, 4, "IHDR") != 0) {
    ADD_FAILURE() << path << " is not a PNG file";
    return picture;
  }
  const int width = static_cast<int>(BigEndian(file, 16));
  const int height = static_cast<int>(BigEndian(file, 20));
  const int depth = file[24], colour_type = file[25], interlace = file[28];
  const int channels = colour_type == 2 ? 3 : colour_type == 6 ? 4 : 0;
  if (depth != 8 || channels == 0 || interlace != 0) {
    ADD_FAILURE() << path << ": a PNG of depth " << depth << ", colour type " << colour_type
                  << ", interlace " << interlace << " is not read here";
    return picture;
  }
  std::string compressed;
  for (std::size_t at = 8; at + 8 <= file.size();) {
    const std::uint32_t length = BigEndian(file, at);
    if (file.compare(at + 4, 4, "IDAT") == 0) compressed += file.substr(at + 8, length);
    at += 12 + length;
  }
  const std::size_t stride = static_cast<std::size_t>(width) * channels;
  std::vector<unsigned char> rows((stride + 1) * static_cast<std::size_t>(height));
  uLongf size = rows.size();
  if (uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                 compressed.size()) != Z_OK ||
      size != rows.size()) {
    ADD_FAILURE() << path << ": the image data does not inflate to " << rows.size() << " bytes";
    return picture;
  }
  // Undo the per-row filters in place, then gather the pixels.
  std::vector<unsigned char> previous(stride, 0);
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    unsigned char* row = rows.data() + static_cast<std::size_t>(y) * (stride + 1);
    const int filter = row[0];
    unsigned char* line = row + 1;
    for (std::size_t i = 0; i < stride; ++i) {
      const int left = i >= static_cast<std::size_t>(channels) ? line[i - channels] : 0;
      const int up = previous[i];
      const int up_left = i >= static_cast<std::size_t>(channels) ? previous[i - channels] : 0;
      const int predictor = filter == 1   ? left
                            : filter == 2 ? up
                            : filter == 3 ? (left + up) / 2
                            : filter == 4 ? Paeth(left, up, up_left)
                                          : 0;
      line[i] = static_cast<unsigned char>(line[i] + predictor);
    }
    std::copy(line, line + stride, previous.begin());
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = line + static_cast<std::size_t>(x) * channels;
      picture.pixels.push_back(std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
    }
  }
  return picture;
}

}  // namespace morvane::preview::testing
