#include "app/output_names.h"

#include <algorithm>
#include <iterator>

#include "platform/path.h"
#include "rgba/atlas_json.h"

namespace morvane {

namespace {

constexpr const char* kFourDirections[] = {"NW", "NE", "SE", "SW"};
constexpr const char* kEightDirections[] = {"NW", "N", "NE", "E", "SE", "S", "SW", "W"};

// The name cut so that it and the rest of the file name, of rest bytes, fit.
std::string_view CutToFit(std::string_view name, std::size_t rest) {
  return name.substr(0, kMaxFileNameBytes - std::min(rest, kMaxFileNameBytes));
}

}  // namespace

std::string DirectionSuffix(std::int32_t direction_count, std::int32_t direction) {
  if (direction_count == 1) return "";
  if (direction_count == std::ssize(kFourDirections) && direction >= 0 &&
      direction < direction_count)
    return std::string("_") + kFourDirections[direction];
  if (direction_count == std::ssize(kEightDirections) && direction >= 0 &&
      direction < direction_count)
    return std::string("_") + kEightDirections[direction];
  // Any other count: the direction in upper-case hexadecimal, at least two digits.
  static constexpr char kHex[] = "0123456789ABCDEF";
  constexpr std::size_t kMinHexDigits = 2;
  std::string digits;
  auto value = static_cast<std::uint32_t>(direction);
  do {
    digits.insert(digits.begin(), kHex[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (digits.size() < kMinHexDigits) digits.insert(digits.begin(), '0');
  return "_" + digits;
}

std::string DirectionFileName(std::string_view safe_name, std::string_view suffix,
                              std::string_view ending) {
  std::string name(CutToFit(safe_name, suffix.size() + ending.size()));
  name += suffix;
  name += ending;
  return name;
}

std::string GifFileName(std::string_view safe_name, std::string_view suffix) {
  return DirectionFileName(safe_name, suffix, ".gif");
}

std::string WebpFileName(std::string_view safe_name, std::string_view suffix) {
  return DirectionFileName(safe_name, suffix, ".webp");
}

std::string FramePngFileName(std::string_view safe_name, std::string_view suffix, std::int64_t k,
                             std::int64_t count) {
  return DirectionFileName(safe_name, suffix, "_" + rgba::FrameNumber(k, count) + ".png");
}

std::string FramePngStem(std::string_view safe_name, std::string_view suffix, std::int64_t count) {
  const std::string ending = "_" + rgba::FrameNumber(0, count) + ".png";
  std::string name = DirectionFileName(safe_name, suffix, ending);
  name.resize(name.size() - ending.size());
  return name;
}

std::string SheetName(std::string_view safe_name) {
  if (safe_name.empty()) return "_";
  return std::string(CutToFit(safe_name, std::string_view(".json").size()));
}

}  // namespace morvane
