#include "fuzz_support.h"

#include <gif_lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "core/errors.h"
#include "gif/gif_error.h"
#include "sprite/format_error.h"
#include "sprite/sprite.h"

namespace morvane::fuzz {

namespace {

namespace fs = std::filesystem;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Whether giflib reads the whole file. The converter may write a GIF without any image: a
// frame made from a canvas without pixels (a sprite whose header gives a width or height below
// 1) writes nothing but its extensions. giflib refuses such a file at its trailer, after
// reading it all.
bool DecodesAsGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (gif == nullptr) return false;
  const bool ok =
      DGifSlurp(gif) == GIF_OK || (gif->Error == D_GIF_ERR_NO_IMAG_DSCR && gif->ImageCount == 0);
  DGifCloseFile(gif, &error);
  return ok;
}

}  // namespace

void Tell(const std::string& outcome) {
  static const bool verbose = std::getenv("MORVANE_FUZZ_VERBOSE") != nullptr;
  if (verbose) std::fprintf(stderr, "  %s\n", outcome.c_str());
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "morvane fuzz: broken invariant: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

ScratchDirectory::ScratchDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/morvane-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot create a scratch directory");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code error;
  fs::remove_all(path_, error);
}

void ScratchDirectory::Clear() const {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
    fs::remove_all(entry.path(), error);
  }
}

// Whether the file has the frame of its format: a PNG's signature and its closing IEND chunk,
// a WebP's RIFF header counting the file's bytes, an atlas's opening and closing.
bool WholeFile(const std::string& path, const std::string& ending) {
  if (ending == ".gif") return DecodesAsGif(path);
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto ends_with = [&](std::string_view tail) {
    return bytes.size() >= tail.size() &&
           bytes.compare(bytes.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ending == ".png") {
    return bytes.starts_with("\x89PNG\r\n\x1a\n") &&
           ends_with(std::string_view("IEND\xae\x42\x60\x82", 8));
  }
  if (ending == ".webp") {
    if (bytes.size() < 12 || !bytes.starts_with("RIFF") || bytes.compare(8, 4, "WEBP") != 0)
      return false;
    const auto byte = [&](std::size_t i) { return std::uint32_t{std::uint8_t(bytes[i])}; };
    return (byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24) + 8 == bytes.size();
  }
  return ending == ".json" && bytes.starts_with("{\"frames\": [") && ends_with("}\n");
}

void ScratchDirectory::CheckWrittenFiles() const {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
    const std::string name = entry.path().filename().string();
    const std::string ending = entry.path().extension().string();
    if (!entry.is_regular_file() ||
        (ending != ".gif" && ending != ".png" && ending != ".webp" && ending != ".json")) {
      Fail("left in the output directory: " + name);
    }
    if (!WholeFile(entry.path().string(), ending)) Fail("written file is not whole: " + name);
  }
}

void RunJob(const std::function<void()>& job) {
  try {
    job();
    Tell("done");
  } catch (const IndexError& e) {
    // A negative count read from the file is refused as a capacity; an index out of bounds
    // means a loaded image set does not hold the places its collection promises.
    if (!StartsWith(e.Message(), "List capacity out of bounds")) Fail(e.Message());
    Tell(e.Message());
  } catch (const GifError& e) {
    // The converter bounds every canvas before the GIF side sees it and never leaves a colour
    // table short of an entry it asks for, so no sprite can make the GIF side fail.
    Fail("GIF error: " + e.Message());
  } catch (const Error& e) {
    // SpriteFormatError, IoError, the converter's limits and GIF files that cannot be written.
    Tell(e.Message());
  }
}

}  // namespace morvane::fuzz
