#include "platform/signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

namespace morvane {

namespace {

// Written only by the handler, the first ending signal; 0 until one arrives. Lock-free, so the
// handler may set it, and atomic, so every worker thread reads it safely.
std::atomic<int> pending_signal = 0;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void NoteSignal(int signal_number) {
  int none = 0;
  pending_signal.compare_exchange_strong(none, signal_number, std::memory_order_relaxed);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

void Signals::Install() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  sigaction(SIGXFSZ, &ignore, nullptr);

  struct sigaction note {};
  note.sa_handler = NoteSignal;
  sigemptyset(&note.sa_mask);
  note.sa_flags = 0;  // no SA_RESTART: a blocking call returns, and the run reaches a check
  for (const int signal_number : kEndingSignals) sigaction(signal_number, &note, nullptr);
}

int Signals::Pending() {
  return pending_signal.load(std::memory_order_relaxed);
}

void Signals::EndBy(int signal_number) {
  struct sigaction restore {};
  restore.sa_handler = SIG_DFL;
  sigemptyset(&restore.sa_mask);
  sigaction(signal_number, &restore, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal_number);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);  // not reached: the default action ends the process
}

}  // namespace morvane
