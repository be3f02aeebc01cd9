// Stopping a scan from outside: Ctrl-C (SIGINT), SIGTERM and SIGHUP. The
// first of them only raises a flag, which the scan's receiver sees at its
// next report and answers as the Stop button does, so that the partial
// result and mapfile are still written; the handler itself does nothing else,
// so it is safe at any moment. The handler then gives way to the default
// action, so a second Ctrl-C ends the program at once (for a drive that hangs
// in one read).
#pragma once

#include <signal.h>

// Installs the handler and lowers the flag.
void CatchInterrupt();

// Whether a stop signal came since CatchInterrupt.
bool InterruptRequested();

// Holds the stop signals back while it lives, so that the program is not
// ended half way through writing a file; one that came meanwhile takes effect
// afterwards.
class HeldStopSignals {
 public:
  HeldStopSignals();
  ~HeldStopSignals();
  HeldStopSignals(const HeldStopSignals&) = delete;
  HeldStopSignals& operator=(const HeldStopSignals&) = delete;

 private:
  sigset_t previous;
};
