// GIF facts through giflib: the file is walked record by record and every frame decoded row by
// row, so a defect anywhere in the file is found while memory stays at one row.
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "preview/preview.h"
#include "preview/regular_file.h"

namespace morvane::preview {

namespace {

// The file giflib reads from, through a buffer: giflib asks for a few bytes at a time (a
// block length, then the block), which cost one system call each without it.
class BufferedSource {
 public:
  explicit BufferedSource(int fd) : fd_(fd) {}

  static int Read(GifFileType* gif, GifByteType* out, int length) {
    auto& source = *static_cast<BufferedSource*>(gif->UserData);
    int got = 0;
    while (got < length) {
      if (source.next_ == source.end_ && !source.Refill()) break;
      const std::size_t n = std::min(source.end_ - source.next_, std::size_t(length - got));
      std::memcpy(out + got, source.buffer_.data() + source.next_, n);
      source.next_ += n;
      got += static_cast<int>(n);
    }
    return got;
  }

 private:
  bool Refill() {
    ssize_t n;
    do {
      n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    next_ = 0;
    end_ = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n > 0;
  }

  int fd_;
  std::array<GifByteType, 16384> buffer_;  // left uninitialised: filled before it is read
  std::size_t next_ = 0;
  std::size_t end_ = 0;
};

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

std::string Reason(int code) {
  const char* text = GifErrorString(code);
  return text != nullptr ? text : "Unknown decoder error " + std::to_string(code);
}

// Reads the rest of an extension whose code and first sub-block (length byte first) were just
// read: a graphic control block goes to pending, the repeat count of a NETSCAPE2.0 application
// extension to facts. False on a decoder error.
bool ReadExtension(GifFileType* gif, int code, GifByteType* block, GifFacts& facts,
                   GraphicsControlBlock& pending) {
  bool looping = false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
    if (DGifExtensionToGCB(block[0], block + 1, &pending) == GIF_ERROR) return false;
  } else if (code == APPLICATION_EXT_FUNC_CODE && block != nullptr && block[0] == 11 &&
             std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0) {
    looping = true;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    // The looping sub-block: 1, then the repeat count, little-endian.
    if (looping && block != nullptr && block[0] >= 3 && block[1] == 1) {
      facts.loop_count = block[2] | block[3] << 8;
      looping = false;
    }
  }
  return true;
}

// Decodes the pixels of the frame whose descriptor was just read, row by row.
bool DecodeFrame(GifFileType* gif, std::vector<GifPixelType>& row) {
  const int width = gif->Image.Width;
  const int height = gif->Image.Height;
  if (width <= 0 || height <= 0) {
    // No pixels to decode: skip the frame's data sub-blocks.
    int code_size = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) return false;
    while (block != nullptr) {
      if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
  }
  row.resize(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    if (DGifGetLine(gif, row.data(), width) == GIF_ERROR) return false;
  }
  return true;
}

}  // namespace

GifFacts ReadGifFacts(const std::string& path) {
  GifFacts facts;
  const Descriptor file = OpenRegularFile(path, facts.file_size, facts.error);
  if (!file.is_open()) return facts;

  BufferedSource source(file.get());
  int error = 0;
  GifPtr gif(DGifOpen(&source, BufferedSource::Read, &error));
  if (!gif) {
    facts.error = Reason(error);
    return facts;
  }
  facts.width = gif->SWidth;
  facts.height = gif->SHeight;

  GraphicsControlBlock pending{};
  pending.TransparentColor = NO_TRANSPARENT_COLOR;
  bool delays_seen = false;
  std::vector<GifPixelType> row;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    bool ok = DGifGetRecordType(gif.get(), &type) != GIF_ERROR;
    if (ok && type == TERMINATE_RECORD_TYPE) break;
    if (ok && type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      ok = DGifGetExtension(gif.get(), &code, &block) != GIF_ERROR &&
           ReadExtension(gif.get(), code, block, facts, pending);
    } else if (ok && type == IMAGE_DESC_RECORD_TYPE) {
      ok = DGifGetImageDesc(gif.get()) != GIF_ERROR && DecodeFrame(gif.get(), row);
      if (ok) {
        ++facts.frame_count;
        facts.transparent = facts.transparent || pending.TransparentColor != NO_TRANSPARENT_COLOR;
        facts.min_delay =
            delays_seen ? std::min(facts.min_delay, pending.DelayTime) : pending.DelayTime;
        facts.max_delay = std::max(facts.max_delay, pending.DelayTime);
        delays_seen = true;
        // A graphic control extension applies to the one frame that follows it.
        pending = GraphicsControlBlock{};
        pending.TransparentColor = NO_TRANSPARENT_COLOR;
      }
    }
    if (!ok) {
      const std::string where = facts.frame_count == 0
                                    ? std::string()
                                    : " (after frame " + std::to_string(facts.frame_count) + ")";
      facts.error = Reason(gif->Error) + where;
      return facts;
    }
  }
  if (facts.frame_count == 0) facts.error = "No frame in the file";
  return facts;
}

}  // namespace morvane::preview
