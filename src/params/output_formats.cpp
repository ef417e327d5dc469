#include "params/output_formats.h"

#include "core/ascii.h"
#include "params/ini.h"

namespace morvane {

std::optional<OutputFormats> ParseOutputFormats(std::string_view text) {
  OutputFormats formats;
  // Every comma ends a word, so "" and "gif," hold an empty word.
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view word = TrimBlanks(text.substr(0, comma));
    bool known = false;
    for (const OutputFormatWord& offered : kOutputFormatWords) {
      if (EqualsIgnoreCase(word, offered.word)) {
        formats.*offered.format = true;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    if (comma == std::string_view::npos) return formats;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace morvane
