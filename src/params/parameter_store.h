// The parameter store: every option's current value as text, and the short option names with
// the long names they stand for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

// An ordered list of name=value entries. Names compare ignoring the letter case of A-Z only;
// an entry keeps the name as written by its last write. An empty value is never stored:
// writing one removes the entry, and reading an absent name gives the empty text.
class NameValueList {
 public:
  std::string Get(std::string_view name) const;
  void Set(std::string_view name, std::string_view value);
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// The option values of a run, and the short option names.
class ParameterStore {
 public:
  std::string Get(std::string_view name) const { return values_.Get(name); }
  // The value read as a 32-bit integer (see ParseIntText); 0 when absent.
  std::int32_t GetInt(std::string_view name) const;
  // Replaces or adds the entry; an empty value removes it.
  void Set(std::string_view name, std::string_view value) { values_.Set(name, value); }
  // Sets name to value only when the store has no value for name.
  void SetDefault(std::string_view name, std::string_view value);

  void AddAlias(std::string_view short_name, std::string_view long_name) {
    aliases_.Set(short_name, long_name);
  }
  // The long name a short name stands for; empty when it is none.
  std::string LongName(std::string_view short_name) const { return aliases_.Get(short_name); }

  const NameValueList& Values() const { return values_; }
  const NameValueList& Aliases() const { return aliases_; }

 private:
  NameValueList values_;
  NameValueList aliases_;
};

// Reads a 32-bit integer: blanks (spaces only) may stand before it, then an optional sign, then
// decimal digits or "$" and hexadecimal digits. Hexadecimal text takes any value that fits in 32
// bits as two's complement ("$FFFFFFFF" is -1); decimal text must fit a signed 32-bit integer.
// Anything else (no digits, trailing characters, overflow, empty text) gives 0.
std::int32_t ParseIntText(std::string_view text);

}  // namespace morvane
