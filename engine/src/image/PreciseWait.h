// Waiting with microsecond precision, as a simulated drive's latency needs.
#pragma once

#include <chrono>

namespace wrenlo {

// Returns at deadline or shortly after: sleeps while the deadline is far, then
// yields the processor until it has passed. A plain sleep of 150 us takes
// 200 to 250 us on a Linux machine with the default timer slack.
void WaitUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace wrenlo
