// What the Windows implementation shares: text between the program's UTF-8 and the system's
// UTF-16, paths the wide API takes whatever their length, and the system's errors as the texts
// the converter shows on every system.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace morvane::windows {

// UTF-8 to UTF-16. A byte that does not begin or continue a valid UTF-8 sequence is read as
// Windows-1252, so that any name a file holds names some file.
std::wstring Widen(std::string_view text);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view text);

// The path for the wide file API: "/" read as "\", and a path of MAX_PATH - 12 characters or
// more made absolute under the "\\?\" prefix, which lifts the length limit.
std::wstring SystemPath(std::string_view path);

// The text of a system error code: "No such file or directory", "Permission denied", "No space
// left on device" or "Input/output error".
const char* ErrorText(DWORD error);

// True for errors that mean the path cannot be made or replaced here (access, sharing, a
// directory in the way, a missing folder).
bool RefusedByPath(DWORD error);

// True when the name's part before its first "." is a device name of any case (CON, PRN, AUX,
// NUL, COM1-COM9, LPT1-LPT9): such a name opens the device, in any folder, instead of a file.
bool IsDeviceName(std::string_view name);

// Text with every LF written as CR LF, the line end of text files on Windows.
std::string WithCrLf(std::string_view text);

// Closes a handle when it goes.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Writes all of size bytes; false when a write fails.
bool WriteAll(HANDLE handle, const char* data, std::size_t size);

}  // namespace morvane::windows
