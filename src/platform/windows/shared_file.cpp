#include "platform/shared_file.h"

#include <memory>
#include <random>

#include "wide.h"

namespace morvane {

namespace {

// Content is copied from one file to another in pieces of this many bytes.
constexpr DWORD kCopyPiece = 1 << 20;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The lock is one byte far past any end a file reaches: Windows locks byte ranges against
// every other handle's reads and writes, and no one reads or writes there.
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED LockPlace() {
  OVERLAPPED place{};
  place.Offset = kLockOffsetLow;
  place.OffsetHigh = kLockOffsetHigh;
  return place;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

struct FindCloser {
  void operator()(HANDLE find) const { ::FindClose(find); }
};

}  // namespace

std::optional<SharedFile> SharedFile::Open(const std::string& path, Opening how) {
  DWORD access = FILE_APPEND_DATA | SYNCHRONIZE;
  DWORD disposition = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (how) {
    case Opening::kAppend:
      break;
    case Opening::kCreateNew:
      access |= GENERIC_READ;
      disposition = CREATE_NEW;
      break;
    case Opening::kUpdate:
      access |= GENERIC_READ;
      flags |= FILE_FLAG_OPEN_REPARSE_POINT;  // a link at the path is not followed
      break;
  }
  HANDLE handle = ::CreateFileW(windows::SystemPath(path).c_str(), access, kShareAll, nullptr,
                                disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  SharedFile file(reinterpret_cast<std::intptr_t>(handle));
  if (how == Opening::kUpdate) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
      return std::nullopt;
  }
  return file;
}

void SharedFile::CloseHandle() {
  if (handle_ != kNoHandle) ::CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
}

SharedFile::Locking SharedFile::TryLock() {
  OVERLAPPED place = LockPlace();
  if (::LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &place))
    return Locking::kTaken;
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Locking::kBusy
                                                                    : Locking::kUnsupported;
}

void SharedFile::Unlock() {
  OVERLAPPED place = LockPlace();
  ::UnlockFileEx(AsHandle(handle_), 0, 1, 0, &place);
}

bool SharedFile::Append(std::string_view text) {
  const std::string lines = windows::WithCrLf(text);
  return windows::WriteAll(AsHandle(handle_), lines.data(), lines.size());
}

bool SharedFile::AppendContentOf(const SharedFile& source) {
  const auto piece = std::make_unique<char[]>(kCopyPiece);
  for (std::uint64_t offset = 0;;) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!::ReadFile(AsHandle(source.handle_), piece.get(), kCopyPiece, &got, &at)) {
      return ::GetLastError() == ERROR_HANDLE_EOF;
    }
    if (got == 0) return true;
    // The source's lines already end with CR LF: copied as they are.
    if (!windows::WriteAll(AsHandle(handle_), piece.get(), got)) return false;
    offset += got;
  }
}

bool SharedFile::StandsAt(const std::string& path) const {
  BY_HANDLE_FILE_INFORMATION open_file{};
  BY_HANDLE_FILE_INFORMATION at_path{};
  const windows::Handle there(
      ::CreateFileW(windows::SystemPath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return there.Valid() && ::GetFileInformationByHandle(AsHandle(handle_), &open_file) &&
         ::GetFileInformationByHandle(there.Get(), &at_path) && SameFile(open_file, at_path);
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry{};
  std::string pattern_text = directory;
  if (!pattern_text.empty() && pattern_text.back() != '\\' && pattern_text.back() != '/')
    pattern_text += '\\';
  const std::wstring pattern = windows::SystemPath(pattern_text + "*");
  const HANDLE first = ::FindFirstFileW(pattern.c_str(), &entry);
  if (first == INVALID_HANDLE_VALUE) return names;
  const std::unique_ptr<void, FindCloser> listing(first);
  do {
    const std::wstring_view name(entry.cFileName);
    if (name != L"." && name != L"..") names.push_back(windows::Narrow(name));
  } while (::FindNextFileW(first, &entry));
  return names;
}

bool RemoveFile(const std::string& path) {
  // A file another handle still holds open stays under its name until that handle closes, and
  // its name cannot be taken again meanwhile: it is first renamed out of the way.
  const std::wstring system_path = windows::SystemPath(path);
  const std::string aside = path + ".removed-" + UniqueFileTag();
  const std::wstring system_aside = windows::SystemPath(aside);
  if (::MoveFileExW(system_path.c_str(), system_aside.c_str(), 0)) {
    ::DeleteFileW(system_aside.c_str());  // gone from its name either way
    return true;
  }
  return ::DeleteFileW(system_path.c_str()) != 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::MoveFileExW(windows::SystemPath(from).c_str(), windows::SystemPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string UniqueFileTag() {
  constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr int kRandomLetters = 8;
  std::random_device random;
  std::string tag = std::to_string(::GetCurrentProcessId()) + ".";
  for (int i = 0; i < kRandomLetters; ++i) tag += kLetters[random() % (sizeof kLetters - 1)];
  return tag;
}

}  // namespace morvane
