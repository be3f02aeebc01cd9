#include "image/PreciseWait.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

namespace wrenlo {

namespace {

// How late a timer of this thread may fire, in nanoseconds.
constexpr unsigned long kTimerSlackNs = 1000;

}  // namespace

void WaitUntil(std::chrono::steady_clock::time_point deadline) {
  thread_local const bool slackSet = ::prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0) == 0;
  static_cast<void>(slackSet);
  // The steady clock is CLOCK_MONOTONIC: an absolute deadline on it survives
  // being interrupted by a signal without drifting.
  const auto sinceStart = deadline.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceStart);
  timespec at{};
  at.tv_sec = static_cast<time_t>(seconds.count());
  at.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(sinceStart - seconds).count());
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

}  // namespace wrenlo
