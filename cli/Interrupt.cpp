#include "cli/Interrupt.h"

#include <pthread.h>

#include <atomic>
#include <csignal>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> interrupted{false};
// Only a lock-free atomic may be touched from a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { interrupted.store(true, std::memory_order_relaxed); }

}  // namespace

void CatchInterrupt() {
  interrupted.store(false, std::memory_order_relaxed);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the next signal of that kind takes the default action.
  // SA_RESTART: reads and writes that the signal meets go on.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return interrupted.load(std::memory_order_relaxed); }

HeldStopSignals::HeldStopSignals() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kStopSignals) sigaddset(&held, signal);
  pthread_sigmask(SIG_BLOCK, &held, &previous);
}

HeldStopSignals::~HeldStopSignals() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
