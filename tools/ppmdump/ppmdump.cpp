// Writes the frames the converter puts into each GIF of a sprite as binary PPM files, so that
// other tools can be handed exactly the same true-colour pictures:
//   morvane-ppmdump SPRITE.spr OUTDIR [-d=0|1]
// Every sequence of a collection gives OUTDIR/<sequence><direction suffix>_<NNN>.ppm per
// direction, NNN numbering that GIF's frames from 000. Frames are drawn with the default run
// settings (black background, alpha blending, frames placed by their boxes). Dithering belongs
// to the colour reduction that comes after compositing, so -d is accepted for symmetry with the
// converter's command line but gives the same frames either way.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "app/convert_sequence.h"
#include "app/frame_source.h"
#include "app/limits.h"
#include "app/output_names.h"
#include "core/canvas.h"
#include "core/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "sprite/format_error.h"
#include "sprite/sprite.h"

namespace {

using namespace morvane;

constexpr const char* kUsage = "usage: morvane-ppmdump SPRITE.spr OUTDIR [-d=0|1]\n";

// P6 with 8-bit samples: the header, then red, green, blue for each pixel, top row first.
std::vector<std::uint8_t> EncodePpm(const RgbCanvas& canvas) {
  const std::string header =
      "P6\n" + std::to_string(canvas.Width()) + " " + std::to_string(canvas.Height()) + "\n255\n";
  std::vector<std::uint8_t> bytes(header.begin(), header.end());
  if (canvas.Empty()) return bytes;
  bytes.reserve(bytes.size() + static_cast<std::size_t>(canvas.Width()) * canvas.Height() * 3);
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    const ColorValue* row = canvas.Row(y);
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      const ColorValue c = row[x];  // 0x00BBGGRR
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
      bytes.push_back(static_cast<std::uint8_t>(c >> 16));
    }
  }
  return bytes;
}

std::string FrameNumber(std::int64_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "%03lld", static_cast<long long>(n));
  return text;
}

// Writes every direction of one sequence; returns the number of files written.
std::int64_t DumpSequence(const Sprite& sprite, const Sequence& sequence, const Collection& anim,
                          const std::string& out_dir) {
  const SequenceSettings settings = SequenceSettings::From(RunSettingsRecord{});
  CheckDirectionWork(anim.DirectionCount(), sequence.FrameCount());
  const std::string base = JoinPath(out_dir, SafeFileName(sequence.Name()));
  std::int64_t written = 0;
  for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
    const std::string prefix = base + DirectionSuffix(anim.DirectionCount(), d) + "_";
    DirectionFrames frames(sprite, sequence, anim, d, settings.static_anims);
    RgbCanvas canvas(frames.Geometry().width, frames.Geometry().height);
    std::int64_t n = 0;
    while (frames.DrawNext(canvas, settings.gif.background, settings.gif.DrawThreshold())) {
      WriteFileAtomically(prefix + FrameNumber(n++) + ".ppm", EncodePpm(canvas));
    }
    written += n;
  }
  return written;
}

// Loads the collections one at a time, as the converter does, and dumps the sequences that
// play each. Returns the number of files written.
std::int64_t DumpSprite(const std::string& path, const std::string& out_dir) {
  const std::unique_ptr<DiskFile> file = DiskFile::Open(path);
  Sprite sprite = ParseSprite(*file);
  CreateDirectory(out_dir);  // may exist already; a failure shows when the first file is written
  std::int64_t written = 0;
  for (std::int32_t i = 0; i < sprite.CollectionCount(); ++i) {
    Collection& anim = *sprite.GetCollection(i);
    anim.SetImages(LoadImageSet(*file, sprite, i));
    for (const std::int32_t j : sprite.SequencesOf(i)) {
      written += DumpSequence(sprite, *sprite.GetSequence(j), anim, out_dir);
    }
    anim.SetImages(ImageSet{});
  }
  return written;
}

bool IsDitheringOption(std::string_view arg) {
  return arg == "-d" || arg == "-d=0" || arg == "-d=1";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (IsDitheringOption(arg)) continue;
    if (arg.starts_with("-")) {
      std::fprintf(stderr, "morvane-ppmdump: unknown option '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    paths.emplace_back(arg);
  }
  if (paths.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  // Bad input (an unreadable or malformed sprite, a limit passed, an unwritable OUTDIR) exits 1.
  const std::string& sprite = paths[0];
  std::string message;
  try {
    const std::int64_t written = DumpSprite(sprite, paths[1]);
    std::printf("%lld frame(s) written to %s\n", static_cast<long long>(written), paths[1].c_str());
    return 0;
  } catch (const SpriteFormatError& e) {
    message = "not a valid sprite file: " + e.Message();
  } catch (const Error& e) {
    message = e.Message();
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
  } catch (const std::exception& e) {
    message = e.what();
  }
  std::fprintf(stderr, "morvane-ppmdump: %s: %s\n", sprite.c_str(), message.c_str());
  return 1;
}
