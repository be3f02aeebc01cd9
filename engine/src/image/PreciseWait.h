// Waiting with microsecond precision, as a simulated drive's latency needs.
#pragma once

#include <chrono>

namespace wrenlo {

// Sleeps until deadline, as a thread waiting for a drive does: without
// using the processor meanwhile. The first call on a thread sets that
// thread's timer slack to 1 us (the default of 50 us would make a 150 us
// latency one of about 200 us), so it wakes within a few microseconds of the
// deadline on an idle processor.
void WaitUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace wrenlo
