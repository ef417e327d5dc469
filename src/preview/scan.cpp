// Scanning sprite folders: which GIFs a folder holds and how they group into sequences.
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <system_error>
#include <tuple>

#include "params/file_spec.h"
#include "platform/fs.h"
#include "preview/preview.h"

namespace morvane::preview {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kGifExtension = ".gif";

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

// A GIF name that may carry a direction suffix, and where it sorts within its sequence.
struct Candidate {
  std::string file_name;
  std::string direction;
  long rank = 0;
};

// Sequences sort by name with ASCII letter case folded (the byte order breaks ties), a single
// GIF before a compass set before a numbered set of the same name.
bool SortsBefore(const Sequence& a, const Sequence& b) {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int{c}; };
  const auto folded_less = [&](unsigned char x, unsigned char y) { return fold(x) < fold(y); };
  if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                   folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(),
                                   folded_less)) {
    return false;
  }
  return std::tie(a.name, a.set) < std::tie(b.name, b.set);
}

}  // namespace

std::vector<Sequence> GroupSequences(const std::vector<std::string>& file_names) {
  std::map<std::pair<std::string, Family>, std::vector<Candidate>> groups;
  std::vector<std::string> singles;
  for (const std::string& file_name : file_names) {
    if (!file_name.ends_with(kGifExtension)) continue;
    const std::string stem = file_name.substr(0, file_name.size() - kGifExtension.size());
    const std::size_t underscore = stem.rfind('_');
    if (underscore != std::string::npos) {
      const std::string sequence = stem.substr(0, underscore);
      const std::string direction = stem.substr(underscore + 1);
      if (const int rank = CompassRank(direction); rank >= 0) {
        groups[{sequence, Family::kCompass}].push_back({file_name, direction, rank});
        continue;
      }
      if (const long number = NumberedDirection(direction); number >= 0) {
        groups[{sequence, Family::kNumbered}].push_back({file_name, direction, number});
        continue;
      }
    }
    singles.push_back(file_name);
  }

  std::vector<Sequence> sequences;
  for (auto& [key, members] : groups) {
    // A suffix alone in its set is part of a one-direction sequence's name.
    if (members.size() < 2) {
      singles.push_back(members.front().file_name);
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
      sequence.gifs.push_back({std::move(member.direction), std::move(member.file_name), {}});
    }
    sequences.push_back(std::move(sequence));
  }
  for (std::string& file_name : singles) {
    std::string name = file_name.substr(0, file_name.size() - kGifExtension.size());
    sequences.push_back({std::move(name), DirectionSet::kSingle, {{"", std::move(file_name), {}}}});
  }
  std::stable_sort(sequences.begin(), sequences.end(), SortsBefore);
  return sequences;
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
  SpriteFolder folder{path, {}, {}};
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
  if (folder.sequences.empty()) {
    folder.problem = "No GIFs: the sprite's conversion failed";
    return folder;
  }
  const std::string prefix = path.ends_with('/') ? path : path + "/";
  for (Sequence& sequence : folder.sequences) {
    for (DirectionGif& gif : sequence.gifs) gif.facts = ReadGifFacts(prefix + gif.file_name);
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
