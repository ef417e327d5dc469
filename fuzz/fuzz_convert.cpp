// Fuzz target: the whole per-file job on the input as a sprite file held in memory.
//
// The input is parsed, its collections loaded one at a time and every sequence written into a
// scratch directory, exactly as the converter does for a file on disk. The settings come
// from the three header bytes after the tag, which the format leaves uninterpreted, so every
// input is still a plain sprite file and replays as one:
//   byte 11  bit 0 binary transparency, bit 1 run-length frames instead of LZW, bit 2 static
//            anims, bit 3 no dithering, bits 4-5 the sequence pattern ("*", "*a*?", "", "w?l*")
//   byte 12  threshold (0 stands for 256)
//   byte 13  bits 0-1 background colour (black, white, magenta, grey), bits 2-4 the PNG frames,
//            WebPs and sheets besides, bit 5 no GIF (when something else is written)
// A file shorter than that, such as a sprite written with zero bytes there, converts with the
// default settings.
//
// After the job every file in the scratch directory must be whole: each GIF decodes with giflib,
// and the PNG, WebP and JSON files have their format's frame.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "app/convert_file.h"
#include "fuzz_support.h"
#include "params/options.h"
#include "platform/file.h"
#include "work_budget.h"

namespace {

using namespace morvane;

constexpr std::size_t kSettingsOffset = 11;
constexpr const char* kPatterns[] = {"*", "*a*?", "", "w?l*"};
constexpr const char* kBackgrounds[] = {"#000000", "#FFFFFF", "#FF00FF", "#808080"};

std::string Bit(std::uint8_t byte, int bit) {
  return (byte >> bit & 1) != 0 ? "1" : "0";
}

// The run settings the input chooses, set as options and validated as the converter does.
RunSettingsRecord ChooseSettings(const std::uint8_t* data, std::size_t size, std::string& pattern) {
  std::uint8_t flags = 0, threshold = 128, background = 0;
  if (size >= kSettingsOffset + 3) {
    flags = data[kSettingsOffset];
    threshold = data[kSettingsOffset + 1];
    background = data[kSettingsOffset + 2];
  }
  ParameterStore store;
  RegisterOptions(store);
  store.Set("use_binary_transparency", Bit(flags, 0));
  store.Set("use_lzw", (flags & 2) != 0 ? "0" : "1");
  store.Set("static_anims", Bit(flags, 2));
  store.Set("dithering", (flags & 8) != 0 ? "0" : "1");
  store.Set("treshold", std::to_string(threshold == 0 ? 256 : threshold));
  store.Set("bgcolor", kBackgrounds[background & 3]);
  std::string formats;
  for (const auto& [bit, word] : {std::pair{2, "png"}, {3, "webp"}, {4, "sheet"}}) {
    if ((background >> bit & 1) != 0 && (MORVANE_HAVE_WEBP || std::string(word) != "webp"))
      formats += std::string(",") + word;
  }
  if (formats.empty() || (background & 0x20) == 0) formats.insert(0, ",gif");
  store.Set("output_formats", formats.substr(1));
  RunSettingsRecord settings;
  fuzz::QuietConsole console;
  if (!ValidateSettings(store, ColorNames(), settings, console)) {
    fuzz::Fail("settings chosen by the target do not validate");
  }
  pattern = kPatterns[flags >> 4 & 3];
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The one scratch directory of the process, made at the first input.
  static const fuzz::ScratchDirectory scratch;
  std::string pattern;
  const RunSettingsRecord settings = ChooseSettings(data, size, pattern);
  if (!fuzz::WithinBudget(fuzz::EstimateWork(data, size, settings))) return 0;

  MemoryFile file(data, size);
  const FileSpec spec{"fuzz.spr", pattern, "fuzz", scratch.Path()};
  fuzz::QuietConsole console;
  WorkerPool pool(1);
  fuzz::RunJob([&] { ConvertSpriteFile(file, spec, settings, console, pool); });
  scratch.CheckWrittenFiles();
  scratch.Clear();
  return 0;
}
