// Scanning sprite folders: which GIFs a folder holds and how they group into sequences.
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "params/file_spec.h"
#include "platform/fs.h"
#include "preview/preview.h"

namespace morvane::preview {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kGifExtension = ".gif";
constexpr std::string_view kWebpExtension = ".webp";
constexpr std::string_view kPngExtension = ".png";
constexpr std::string_view kJsonExtension = ".json";

// The shortest frame number of a PNG frame's name.
constexpr std::size_t kMinFrameDigits = 3;

// Numbered directions wrap after this many, so that a sprite with many directions stays on
// the screen.
constexpr std::size_t kMaxColumns = 8;

// The compass directions in the grid's reading order (NW N NE / W E / SW S SE); the four
// diagonals alone make the four-direction set.
constexpr std::array<std::string_view, 8> kCompass = {"NW", "N", "NE", "W", "E", "SW", "S", "SE"};

int CompassRank(std::string_view direction) {
  const auto found = std::find(kCompass.begin(), kCompass.end(), direction);
  return found == kCompass.end() ? -1 : static_cast<int>(found - kCompass.begin());
}

bool IsDiagonal(std::string_view direction) {
  return direction.size() == 2;
}

// The number of a numbered direction as the converter writes it: at least two upper-case hex
// digits, and no leading zero beyond those two; -1 for anything else.
long NumberedDirection(std::string_view text) {
  if (text.size() < 2 || text.size() > 8 || (text.size() > 2 && text[0] == '0')) return -1;
  long value = 0;
  for (const char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

enum class Family { kCompass, kNumbered };

// A stem that may carry a direction suffix, and where it sorts within its sequence.
struct Candidate {
  std::string stem;
  std::string direction;
  long rank = 0;
};

// Sequences sort by name, a single GIF before a compass set before a numbered set of the same
// name.
bool SortsBefore(const Sequence& a, const Sequence& b) {
  if (NameSortsBefore(a.name, b.name)) return true;
  if (NameSortsBefore(b.name, a.name)) return false;
  return a.set < b.set;
}

// What the folder holds of one stem.
struct StemOutputs {
  std::string gif;
  std::string webp;
  std::int64_t png_frames = 0;
  std::string first_png;
};

std::string_view WithoutEnding(std::string_view name, std::string_view ending) {
  return name.substr(0, name.size() - ending.size());
}

// The stem and frame number of a PNG frame's name ("walk_N_007.png"), or false.
bool SplitPngFrame(std::string_view base, std::string_view& stem, std::string_view& number) {
  const std::size_t underscore = base.rfind('_');
  if (underscore == std::string_view::npos) return false;
  number = base.substr(underscore + 1);
  stem = base.substr(0, underscore);
  return number.size() >= kMinFrameDigits &&
         std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The stems of a folder's names (see GroupSequences).
std::map<std::string, StemOutputs> CollectStems(const std::vector<std::string>& file_names) {
  const std::set<std::string_view> names(file_names.begin(), file_names.end());
  std::map<std::string, StemOutputs> stems;
  std::map<std::string, StemOutputs> png_stems;
  for (const std::string& file_name : file_names) {
    if (file_name.ends_with(kGifExtension)) {
      stems[std::string(WithoutEnding(file_name, kGifExtension))].gif = file_name;
    } else if (file_name.ends_with(kWebpExtension)) {
      stems[std::string(WithoutEnding(file_name, kWebpExtension))].webp = file_name;
    } else if (file_name.ends_with(kPngExtension)) {
      const std::string_view base = WithoutEnding(file_name, kPngExtension);
      std::string_view stem, number;
      if (names.contains(std::string(base) + std::string(kJsonExtension)) ||
          !SplitPngFrame(base, stem, number)) {
        continue;
      }
      StemOutputs& outputs = png_stems[std::string(stem)];
      ++outputs.png_frames;
      if (number.find_first_not_of('0') == std::string_view::npos) outputs.first_png = file_name;
    }
  }
  for (auto& [stem, frames] : png_stems) {
    const auto found = stems.find(stem);
    if (found != stems.end()) {
      found->second.png_frames = frames.png_frames;
      found->second.first_png = std::move(frames.first_png);
    } else if (!frames.first_png.empty()) {
      stems.emplace(stem, std::move(frames));
    }
  }
  return stems;
}

DirectionGif MakeDirection(std::string direction, StemOutputs& outputs) {
  DirectionGif gif;
  gif.direction = std::move(direction);
  gif.file_name = std::move(outputs.gif);
  gif.webp_file_name = std::move(outputs.webp);
  gif.png_frame_count = outputs.png_frames;
  gif.first_png_file_name = std::move(outputs.first_png);
  return gif;
}

}  // namespace

bool NameSortsBefore(std::string_view a, std::string_view b) {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int{c}; };
  const auto folded_less = [&](unsigned char x, unsigned char y) { return fold(x) < fold(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
    return false;
  }
  return a < b;
}

std::vector<Sequence> GroupSequences(const std::vector<std::string>& file_names) {
  std::map<std::string, StemOutputs> stems = CollectStems(file_names);
  std::map<std::pair<std::string, Family>, std::vector<Candidate>> groups;
  std::vector<std::string> singles;
  for (const auto& [stem, outputs] : stems) {
    const std::size_t underscore = stem.rfind('_');
    if (underscore != std::string::npos) {
      const std::string sequence = stem.substr(0, underscore);
      const std::string direction = stem.substr(underscore + 1);
      if (const int rank = CompassRank(direction); rank >= 0) {
        groups[{sequence, Family::kCompass}].push_back({stem, direction, rank});
        continue;
      }
      if (const long number = NumberedDirection(direction); number >= 0) {
        groups[{sequence, Family::kNumbered}].push_back({stem, direction, number});
        continue;
      }
    }
    singles.push_back(stem);
  }

  std::vector<Sequence> sequences;
  for (auto& [key, members] : groups) {
    // A suffix alone in its set is part of a one-direction sequence's name.
    if (members.size() < 2) {
      singles.push_back(members.front().stem);
      continue;
    }
    std::sort(members.begin(), members.end(),
              [](const Candidate& a, const Candidate& b) { return a.rank < b.rank; });
    Sequence sequence{key.first, DirectionSet::kNumbered, {}};
    if (key.second == Family::kCompass) {
      const bool diagonals_only = std::all_of(
          members.begin(), members.end(), [](const auto& c) { return IsDiagonal(c.direction); });
      sequence.set = diagonals_only ? DirectionSet::kFour : DirectionSet::kEight;
    }
    for (Candidate& member : members) {
      sequence.gifs.push_back(MakeDirection(std::move(member.direction), stems[member.stem]));
    }
    sequences.push_back(std::move(sequence));
  }
  for (const std::string& stem : singles) {
    sequences.push_back({stem, DirectionSet::kSingle, {MakeDirection("", stems[stem])}});
  }
  std::stable_sort(sequences.begin(), sequences.end(), SortsBefore);
  return sequences;
}

std::vector<Sheet> FindSheets(const std::vector<std::string>& file_names) {
  const std::set<std::string_view> names(file_names.begin(), file_names.end());
  std::vector<Sheet> sheets;
  for (const std::string& file_name : file_names) {
    if (!file_name.ends_with(kPngExtension)) continue;
    std::string name(WithoutEnding(file_name, kPngExtension));
    if (names.contains(name + std::string(kJsonExtension))) sheets.push_back({name, 0, {}});
  }
  std::sort(sheets.begin(), sheets.end(),
            [](const Sheet& a, const Sheet& b) { return NameSortsBefore(a.name, b.name); });
  return sheets;
}

GridLayout LayOut(const Sequence& sequence) {
  GridLayout layout;
  if (sequence.set != DirectionSet::kFour && sequence.set != DirectionSet::kEight) {
    layout.columns =
        static_cast<int>(std::clamp<std::size_t>(sequence.gifs.size(), 1, kMaxColumns));
    for (const DirectionGif& gif : sequence.gifs) layout.cells.push_back(&gif);
    return layout;
  }
  const auto find = [&](std::string_view direction) -> const DirectionGif* {
    for (const DirectionGif& gif : sequence.gifs) {
      if (gif.direction == direction) return &gif;
    }
    return nullptr;
  };
  if (sequence.set == DirectionSet::kFour) {
    layout.columns = 2;
    for (const std::string_view direction : {"NW", "NE", "SW", "SE"}) {
      layout.cells.push_back(find(direction));
    }
  } else {
    layout.columns = 3;
    for (const std::string_view direction : {"NW", "N", "NE", "W", "", "E", "SW", "S", "SE"}) {
      layout.cells.push_back(direction.empty() ? nullptr : find(direction));
    }
  }
  return layout;
}

SpriteFolder ScanFolder(const std::string& path) {
  SpriteFolder folder{path, {}, {}, {}};
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    folder.problem = "Folder not found: the sprite was not converted";
    return folder;
  }
  if (!fs::is_directory(status)) {
    folder.problem = "Not a folder";
    return folder;
  }
  std::vector<std::string> names;
  fs::directory_iterator entries(path, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    names.push_back(entries->path().filename().string());
  }
  if (error) {
    folder.problem = "Cannot read the folder: " + error.message();
    return folder;
  }
  folder.sequences = GroupSequences(names);
  folder.sheets = FindSheets(names);
  if (folder.sequences.empty() && folder.sheets.empty()) {
    folder.problem = "No GIFs: the sprite's conversion failed";
    return folder;
  }
  const std::string prefix = path.ends_with('/') ? path : path + "/";
  // The size of a file that is not there, or not a regular file, reads as 0.
  const auto size_of = [&](const std::string& name) {
    const std::uintmax_t size = fs::file_size(prefix + name, error);
    return error ? std::uint64_t{0} : std::uint64_t{size};
  };
  for (Sequence& sequence : folder.sequences) {
    for (DirectionGif& gif : sequence.gifs) {
      if (!gif.file_name.empty()) gif.facts = ReadGifFacts(prefix + gif.file_name);
      if (!gif.webp_file_name.empty()) gif.webp_size = size_of(gif.webp_file_name);
    }
  }
  for (Sheet& sheet : folder.sheets) {
    sheet.image_size = size_of(sheet.name + std::string(kPngExtension));
    sheet.atlas = ReadAtlasFacts(prefix + sheet.name + std::string(kJsonExtension));
  }
  return folder;
}

std::string ListedFolder(std::string_view list_line) {
  return ParseFileSpec(std::string(list_line), true).output_directory;
}

std::vector<std::string> ListedFolders(const std::string& list_path) {
  std::vector<std::string> folders;
  for (const std::string& line : ReadTextLines(list_path)) {
    if (!line.empty()) folders.push_back(ListedFolder(line));
  }
  return folders;
}

}  // namespace morvane::preview
