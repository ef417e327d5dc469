// The parameter store: every option's current value as text, the short-name aliases, and the
// validated settings the conversion reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/canvas.h"

namespace morvane {

// An ordered list of name=value entries. Names compare ignoring the letter case of A-Z only;
// an entry keeps the name as written by its last write. An empty value is never stored:
// writing one removes the entry, and reading an absent name gives the empty text.
class NameValueList {
 public:
  std::string Get(std::string_view name) const;
  void Set(std::string_view name, std::string_view value);
  void Clear() { entries_.clear(); }
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// The option values of the run, and the short option names with their long names.
NameValueList& ParameterStore();
NameValueList& AliasTable();

void AddAlias(std::string_view shortName, std::string_view longName);
// Sets name to value only when the store has no value for name.
void SetDefault(std::string_view name, std::string_view value);
std::string GetParam(std::string_view name);
// The value read as a 32-bit integer (see ParseIntText); 0 when absent.
std::int32_t GetIntParam(std::string_view name);
// Replaces or adds the entry; an empty value removes it.
void SetParam(std::string_view name, std::string_view value);

// Reads a 32-bit integer: blanks (spaces only) may stand before it, then an optional sign, then
// decimal digits or "$" and hexadecimal digits. Hexadecimal text takes any value that fits in 32
// bits as two's complement ("$FFFFFFFF" is -1); decimal text must fit a signed 32-bit integer.
// Anything else (no digits, trailing characters, overflow, empty text) gives 0.
std::int32_t ParseIntText(std::string_view text);

// The validated conversion settings; before the first validation they hold the values below.
struct RunSettingsRecord {
  std::uint32_t BinaryTransparency = 0;  // 1: pixels drawn or left out by the threshold
  std::uint32_t UseLZW = 1;              // 1: LZW coded frames, 0: run-length coded
  std::uint32_t Threshold = 128;         // alpha threshold for binary transparency, 1 to 256
  ColorValue BackgroundColor = 0;        // 0x00BBGGRR
  std::uint32_t StaticAnims = 0;         // 1: every frame placed at the canvas origin
  std::uint32_t Dithering = 1;           // 1: colour reduction dithers
};

const RunSettingsRecord& RunSettings();

// Copies the options into RunSettings in a fixed order, storing each value before testing it.
// At the first invalid value it prints that option's message line and returns false.
bool ValidateSettings();

// Empties the store and the alias table and gives RunSettings its start values.
void ResetParameters();

}  // namespace morvane
