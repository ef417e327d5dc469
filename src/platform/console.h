// Console text: the one interface every progress line and message of the converter goes
// through, and the one implementation that writes to standard output.
#pragma once

#include <string_view>

namespace morvane {

// Where console text goes. Text is written as given, line ends included; Flush shows what was
// written so far, so that a line finished later shows before slow work starts.
class Console {
 public:
  virtual ~Console() = default;

  virtual void Write(std::string_view text) = 0;
  virtual void Flush() = 0;

  // Writes text and a line end.
  void Line(std::string_view text) {
    Write(text);
    Write("\n");
  }
};

// Standard output, buffered by the C library. No other code writes to standard output.
class StandardOutput final : public Console {
 public:
  void Write(std::string_view text) override;
  void Flush() override;
};

}  // namespace morvane
