#include "platform/signals.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace morvane {

namespace {

// Written only by the console's control handler, the first ending event as a signal number;
// 0 until one arrives. Atomic, so the handler's thread and every worker read it safely.
std::atomic<int> pending_signal = 0;

BOOL WINAPI NoteControlEvent(DWORD event) {
  int none = 0;
  pending_signal.compare_exchange_strong(none, SIGINT, std::memory_order_relaxed);
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TRUE;  // the run goes on to its clean end
    default:
      // Closing the console, logoff and shutdown end the process once the handler returns:
      // wait here for the run's clean end, which ends the process (Windows waits about 5 s).
      ::Sleep(INFINITE);
      return TRUE;
  }
}

}  // namespace

void Signals::Install() {
  ::SetConsoleCtrlHandler(NoteControlEvent, TRUE);
}

int Signals::Pending() {
  return pending_signal.load(std::memory_order_relaxed);
}

void Signals::EndBy(int signal_number) {
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(128 + signal_number));
}

}  // namespace morvane
