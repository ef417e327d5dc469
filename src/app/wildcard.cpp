#include "app/wildcard.h"

#include "core/ascii.h"

namespace morvane {

// Greedy matching with a return to the last "*": when a literal fails, the last star takes
// one more character of the name and matching resumes after it. Earlier stars never need to
// be revisited, since the last star can absorb whatever they would have, so the time is at
// most name length x pattern length instead of exponential in the number of stars.
bool MatchWildcard(std::string_view name, std::string_view pattern) {
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t star = std::string_view::npos;  // pattern position after the last star
  std::size_t star_name = 0;                  // name position that star's run ends at
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_name = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace morvane
