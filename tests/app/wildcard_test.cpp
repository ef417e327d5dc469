#include "app/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane {
namespace {

TEST(MatchWildcard, Table) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"", "*", true},
      {"walk", "*", true},
      {"walk", "**", true},
      {"", "**", true},
      {"", "", true},
      {"a", "", false},
      {"Walk", "walk*", true},
      {"WALK_fast", "walk*", true},
      {"walk", "walk*", true},
      {"wal", "walk*", false},
      {"walk", "w?lk", true},
      {"wlk", "w?lk", false},
      {"walk", "*k", true},
      {"walks", "*k", false},
      {"", "?", false},
      {"a", "a?", false},
      {"ab", "a?", true},
      {"abcabd", "*abd", true},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*x", false},
      {"a*b", "a*b", true},
      {"axb", "a\\b", false},
      {"a?", "a?", true},
      // Only ASCII letters fold; other bytes compare exactly.
      {"\xC4", "\xE4", false},
      {"\xC4", "\xC4", true},
      {"[", "{", false},
      {"@", "`", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchWildcard(c.name, c.pattern), c.match)
        << '"' << c.name << "\" against \"" << c.pattern << '"';
  }
}

// The matcher's definition, tried position by position; exponential, for short texts only.
bool Reference(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    if (pattern.size() == 1) return true;
    for (std::size_t i = 0; i <= name.size(); ++i) {
      if (Reference(name.substr(i), pattern.substr(1))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  if (pattern[0] != '?' && fold(pattern[0]) != fold(name[0])) return false;
  return Reference(name.substr(1), pattern.substr(1));
}

// Every text of up to `length` characters over the alphabet.
std::vector<std::string> AllTexts(const std::string& alphabet, std::size_t length) {
  std::vector<std::string> texts{""};
  for (std::size_t begin = 0, end = 1, n = 0; n < length; ++n) {
    for (std::size_t i = begin; i < end; ++i) {
      for (char c : alphabet) texts.push_back(texts[i] + c);
    }
    begin = end;
    end = texts.size();
  }
  return texts;
}

TEST(MatchWildcard, AgreesWithItsDefinitionOnEveryShortText) {
  const auto names = AllTexts("aBb", 5);
  const auto patterns = AllTexts("ab*?", 5);
  for (const std::string& pattern : patterns) {
    for (const std::string& name : names) {
      ASSERT_EQ(MatchWildcard(name, pattern), Reference(name, pattern))
          << '"' << name << "\" against \"" << pattern << '"';
    }
  }
}

TEST(MatchWildcard, ManyStarsAgainstALongNameStayFast) {
  const std::string name(10000, 'a');
  EXPECT_FALSE(MatchWildcard(name, "*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchWildcard(name + "b", "*a*a*a*a*a*a*b"));
  EXPECT_FALSE(MatchWildcard(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*?b"));
}

}  // namespace
}  // namespace morvane
