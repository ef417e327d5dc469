#include "platform/environment.h"

// clang-format off
#include <windows.h>  // before shellapi.h, which builds on it
#include <shellapi.h>
// clang-format on

#include <memory>

#include "wide.h"

namespace morvane {

std::optional<std::string> EnvironmentValue(const char* name) {
  const std::wstring wide_name = windows::Widen(name);
  ::SetLastError(ERROR_SUCCESS);
  const DWORD needed = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(needed, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
  if (n >= needed) return std::nullopt;
  value.resize(n);
  return windows::Narrow(value);
}

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  struct LocalFreer {
    void operator()(LPWSTR* arguments) const { ::LocalFree(arguments); }
  };
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreer> wide(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!wide) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(windows::Narrow(wide.get()[i]));
  return arguments;
}

}  // namespace morvane
