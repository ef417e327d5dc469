// Standard output, the only place progress and messages go.
#pragma once

#include <string_view>

namespace morvane {

// Writes text to standard output (buffered).
void ConsoleWrite(std::string_view text);
// Writes text and a line end.
void ConsoleLine(std::string_view text);
// Pushes buffered output out, so a line that is finished later shows before slow work starts.
void ConsoleFlush();

}  // namespace morvane
