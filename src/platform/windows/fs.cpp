#include "platform/fs.h"

#include <random>
#include <utility>

#include "core/errors.h"
#include "platform/path.h"
#include "platform/signals.h"
#include "wide.h"

// windows.h names its own CreateDirectory: the converter's is meant here.
#undef CreateDirectory

namespace morvane {

namespace {

// Text files are read in pieces of this many bytes.
constexpr DWORD kReadChunk = 65536;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr const char* kFileTooLarge = "File too large";

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The path without the "\\?\" prefix that GetFinalPathNameByHandleW puts in front.
std::wstring WithoutLongPathPrefix(std::wstring path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

// UTF-16 text after its byte-order mark as UTF-8; little_endian tells the byte order.
std::string FromUtf16(std::string_view bytes, bool little_endian) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    wide[i] = static_cast<wchar_t>(little_endian ? first | (second << 8) : (first << 8) | second);
  }
  return windows::Narrow(wide);
}

// The file's lines: UTF-16 text (with its byte-order mark) is read as UTF-8, a UTF-8 byte-order
// mark is dropped; a line ends at LF or CR LF.
std::vector<std::string> SplitLines(std::string content, const TextBounds& bounds) {
  const std::string_view text(content);
  if (text.starts_with("\xFF\xFE")) {
    content = FromUtf16(text.substr(2), true);
  } else if (text.starts_with("\xFE\xFF")) {
    content = FromUtf16(text.substr(2), false);
  } else if (text.starts_with("\xEF\xBB\xBF")) {
    content.erase(0, 3);
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    const bool ended = end != std::string::npos;
    if (!ended) end = content.size();
    std::string line = content.substr(start, end - start);
    if (ended && !line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > bounds.max_line_bytes) throw IoError(kFileTooLarge);
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The temporary file of a PendingFile while it is written: closed, and removed unless
// released.
class TempFile {
 public:
  TempFile(HANDLE handle, std::wstring path) : handle_(handle), path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    Close();
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
  }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = handle_ == INVALID_HANDLE_VALUE || ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }
  void Release() { path_.clear(); }

 private:
  HANDLE handle_;
  std::wstring path_;
};

}  // namespace

std::string ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".\\";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  // The real path, links resolved, where the system can tell it.
  const windows::Handle file(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Valid()) {
    std::wstring real(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file.Get(), real.data(), static_cast<DWORD>(real.size()),
                                          FILE_NAME_NORMALIZED);
    if (n >= real.size()) {
      real.resize(n + 1);
      n = ::GetFinalPathNameByHandleW(file.Get(), real.data(), static_cast<DWORD>(real.size()),
                                      FILE_NAME_NORMALIZED);
    }
    if (n > 0 && n < real.size()) {
      real.resize(n);
      path = WithoutLongPathPrefix(std::move(real));
    }
  }
  const std::string narrow = windows::Narrow(path);
  return narrow.substr(0, narrow.find_last_of("\\/") + 1);
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(windows::SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CreateDirectory(const std::string& path) {
  return ::CreateDirectoryW(windows::SystemPath(path).c_str(), nullptr) != 0;
}

bool RemoveEmptyDirectory(const std::string& path) {
  return ::RemoveDirectoryW(windows::SystemPath(path).c_str()) != 0;
}

bool CreatePrivateDirectories(const std::string& path) {
  // Each level from the top, the last one being path itself; the drive ("C:") and a share's
  // server are levels that exist or not, never made.
  for (std::size_t end = path.find_first_of("\\/", 1);; end = path.find_first_of("\\/", end + 1)) {
    const std::string level = path.substr(0, end);
    if (!level.empty() && level.back() != ':' && level.back() != '\\' && level.back() != '/') {
      const std::wstring system_level = windows::SystemPath(level);
      if (!IsDirectory(system_level)) ::CreateDirectoryW(system_level.c_str(), nullptr);
    }
    if (end == std::string::npos) break;
  }
  return IsDirectory(windows::SystemPath(path));
}

std::vector<std::string> ReadTextLines(const std::string& path, const TextBounds& bounds) {
  const std::wstring system_path = windows::SystemPath(path);
  if (IsDirectory(system_path)) throw IoError("Is a directory");
  const windows::Handle file(::CreateFileW(system_path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) throw IoError(windows::ErrorText(::GetLastError()));
  std::string content;
  std::string buffer(kReadChunk, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer.data(), kReadChunk, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_BROKEN_PIPE) break;  // a pipe whose writer is done
      throw IoError(windows::ErrorText(error));
    }
    Signals::ThrowIfPending();
    if (got == 0) break;
    if (content.size() + got > bounds.max_file_bytes) throw IoError(kFileTooLarge);
    content.append(buffer.data(), got);
  }
  return SplitLines(std::move(content), bounds);
}

bool AppendText(const std::string& path, std::string_view text, bool create) {
  const windows::Handle file(::CreateFileW(windows::SystemPath(path).c_str(), FILE_APPEND_DATA,
                                           kShareAll, nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const std::string lines = windows::WithCrLf(text);
  return windows::WriteAll(file.Get(), lines.data(), lines.size());
}

PendingFile PendingFile::WriteInPieces(const std::string& path, const NextPiece& next_piece) {
  const std::string dir = DirectoryPart(path);
  Signals::ThrowIfPending();  // no file is started once the run is ending
  // A directory in the way would refuse the replace; say so before anything is written.
  if (IsDirectory(windows::SystemPath(path))) throw Error("Cannot create file " + path);

  // A fresh name of our own, created exclusively.
  constexpr int kNameAttempts = 100;
  constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string temp_path;
  for (int attempt = 0; attempt < kNameAttempts && handle == INVALID_HANDLE_VALUE; ++attempt) {
    temp_path = dir + ".morvane-";
    for (int i = 0; i < 6; ++i) temp_path += kNameChars[random() % (sizeof kNameChars - 1)];
    handle = ::CreateFileW(windows::SystemPath(temp_path).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) throw Error("Cannot create file " + path);
  TempFile temp(handle, windows::SystemPath(temp_path));

  for (std::span<const std::uint8_t> piece = next_piece(); !piece.empty(); piece = next_piece()) {
    if (!windows::WriteAll(temp.Get(), reinterpret_cast<const char*>(piece.data()), piece.size()))
      throw Error(windows::ErrorText(::GetLastError()));
  }
  if (!temp.Close()) throw Error(windows::ErrorText(::GetLastError()));
  temp.Release();
  return PendingFile(std::move(temp_path), path);
}

void PendingFile::Discard() {
  if (!temp_path_.empty()) ::DeleteFileW(windows::SystemPath(temp_path_).c_str());
  temp_path_.clear();
}

void PendingFile::Place() {
  // Replaces what stands at path in one step; a file another program holds open without
  // sharing it for deletion refuses it.
  if (!::MoveFileExW(windows::SystemPath(temp_path_).c_str(), windows::SystemPath(path_).c_str(),
                     MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    Discard();
    if (windows::RefusedByPath(error)) throw Error("Cannot create file " + path_);
    throw Error(windows::ErrorText(error));
  }
  temp_path_.clear();
}

}  // namespace morvane
