#include "platform/console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "wide.h"

namespace morvane {

namespace {

// Standard output as the run finds it: a real console takes UTF-16 through WriteConsoleW; a
// pipe or file takes the UTF-8 bytes, in binary mode so that only our CR LF reaches it.
struct Output {
  Output() {
    DWORD mode = 0;
    console = ::GetConsoleMode(handle, &mode) != 0;
    if (!console) _setmode(_fileno(stdout), _O_BINARY);
  }
  HANDLE handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  bool console = false;
};

const Output& TheOutput() {
  static const Output output;
  return output;
}

}  // namespace

void StandardOutput::Write(std::string_view text) {
  const Output& output = TheOutput();
  const std::string lines = windows::WithCrLf(text);
  if (output.console) {
    const std::wstring wide = windows::Widen(lines);
    DWORD written = 0;
    // A write that fails is dropped, as on a closed pipe.
    ::WriteConsoleW(output.handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(lines.data(), 1, lines.size(), stdout);
}

void StandardOutput::Flush() {
  std::fflush(stdout);
}

}  // namespace morvane
