// A console that keeps its text in memory, for tests to compare what would have been printed.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/console.h"

namespace morvane::testing {

// Keeps the text written to Interface, a Console or an interface derived from it.
template <typename Interface>
class TextSink : public Interface {
 public:
  void Write(std::string_view text) override { text_ += text; }
  void Flush() override { flushed_at_.push_back(text_.size()); }

  const std::string& Text() const { return text_; }
  // The text written since the last call, which starts afresh.
  std::string Take() {
    flushed_at_.clear();
    return std::exchange(text_, {});
  }
  // The text cut where it was flushed: each piece ends at a flush, the last piece is what
  // followed the last flush.
  std::vector<std::string> FlushedPieces() const {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (const std::size_t end : flushed_at_) {
      pieces.push_back(text_.substr(start, end - start));
      start = end;
    }
    pieces.push_back(text_.substr(start));
    return pieces;
  }

 private:
  std::string text_;
  std::vector<std::size_t> flushed_at_;
};

using TextConsole = TextSink<Console>;

}  // namespace morvane::testing
