#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace {

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
  // SA_RESETHAND: the next SIGINT takes the default action. SA_RESTART: reads
  // and writes that the signal meets go on.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return interrupted.load(std::memory_order_relaxed); }
