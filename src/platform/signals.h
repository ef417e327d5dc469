// How a run reacts to signals: a closed console pipe and a file-size limit are errors of the
// write that met them, while an interrupt, terminate or hangup ends the run at the next safe
// point. The pending signal is the one piece of mutable global state the program keeps.
#pragma once

namespace morvane {

// Thrown at a safe point once an ending signal has arrived. It is not an Error (nor a
// std::exception), so no per-file job catches it: it unwinds to the entry, and every GIF being
// written removes its temporary file on the way.
class Interrupted {
 public:
  explicit Interrupted(int signal_number) : signal_number_(signal_number) {}
  int SignalNumber() const { return signal_number_; }

 private:
  int signal_number_;
};

class Signals {
 public:
  // Ignores SIGPIPE and SIGXFSZ (the failing write then reports its error) and makes SIGINT,
  // SIGTERM and SIGHUP only note their arrival, without restarting interrupted system calls.
  static void Install();

  // The ending signal that has arrived, 0 while none has.
  static int Pending();

  // Throws Interrupted when an ending signal has arrived. Called between frames, GIFs and files
  // and inside long loops, so a run ends within a second of the signal.
  static void ThrowIfPending() {
    if (const int signal_number = Pending(); signal_number != 0) throw Interrupted(signal_number);
  }

  // Ends the process by the signal's default action, so the parent sees it end by that signal.
  [[noreturn]] static void EndBy(int signal_number);
};

}  // namespace morvane
