#include "image/PreciseWait.h"

#include <thread>

namespace wrenlo {

namespace {

// How late a sleep may wake: the default timer slack of 50 us and the
// scheduler's wake-up delay.
constexpr std::chrono::microseconds kSleepOvershoot(100);

}  // namespace

void WaitUntil(std::chrono::steady_clock::time_point deadline) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point now = Clock::now();
  if (deadline - now > kSleepOvershoot) std::this_thread::sleep_until(deadline - kSleepOvershoot);
  while (Clock::now() < deadline) std::this_thread::yield();
}

}  // namespace wrenlo
