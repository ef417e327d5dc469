#include "platform/file.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "wide.h"

namespace morvane {

namespace {

constexpr const char* kInvalidArgument = "Invalid argument";

[[noreturn]] void ThrowSystemError(DWORD error) {
  throw IoError(windows::ErrorText(error));
}

}  // namespace

std::unique_ptr<DiskFile> DiskFile::Open(const std::string& path) {
  // A device is never opened: the console would wait for input.
  const std::size_t name_start = path.find_last_of("\\/:");
  if (windows::IsDeviceName(
          std::string_view(path).substr(name_start == std::string::npos ? 0 : name_start + 1)))
    throw IoError(kNotARegularFile);
  const std::wstring system_path = windows::SystemPath(path);
  const DWORD attributes = ::GetFileAttributesW(system_path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    throw IoError("Is a directory");
  // Other programs may go on reading, writing, renaming or removing the file meanwhile.
  HANDLE handle = ::CreateFileW(system_path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ThrowSystemError(::GetLastError());
  // A console, pipe or other device is never read: it might wait for ever.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    throw IoError(kNotARegularFile);
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    ThrowSystemError(ERROR_GEN_FAILURE);
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) {
    _close(fd);
    ThrowSystemError(ERROR_GEN_FAILURE);
  }
  return std::unique_ptr<DiskFile>(new DiskFile(file));
}

DiskFile::~DiskFile() {
  std::fclose(file_);
}

std::int64_t DiskFile::Size() const {
  LARGE_INTEGER size{};
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
  if (!::GetFileSizeEx(handle, &size)) ThrowSystemError(::GetLastError());
  return size.QuadPart;
}

std::int64_t DiskFile::Position() const {
  const std::int64_t position = _ftelli64(file_);
  if (position < 0) ThrowSystemError(ERROR_GEN_FAILURE);
  return position;
}

void DiskFile::Seek(std::int64_t position) {
  if (position < 0) throw IoError(kInvalidArgument);
  if (_fseeki64(file_, position, SEEK_SET) != 0) ThrowSystemError(ERROR_GEN_FAILURE);
}

std::size_t DiskFile::ReadUpTo(void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const std::size_t got = std::fread(buffer, 1, count, file_);
  if (got < count && std::ferror(file_)) {
    std::clearerr(file_);
    ThrowSystemError(::GetLastError());
  }
  return got;
}

}  // namespace morvane
