// What a scan's progress record shows: the progress bar's position, the
// shares of good, problem and error reads with their texts, the speed text and
// the time of a log entry, as the scan page shows them. The command-line front
// end prints the same texts.
#pragma once

#include <cstdint>
#include <string>

#include "scan/ISectorScannerCallback.h"
#include "scan/TimeValue.h"

// current × 100 ÷ total, truncated (0 to 100 for current within total), and
// 0 when total is 0; exact for any sector count.
int ProgressPercent(const ProgressCtx_t& progress);

// Shares of the reads so far, in percent: problems and errors of current;
// good is what remains of 100, never below 0. All good when nothing was read
// yet.
struct ReadShares {
  double good = 100.0;
  double problem = 0.0;
  double error = 0.0;
};
ReadShares ShareOfReads(const ProgressCtx_t& progress);

// A share as an indicator shows it: "%3.1f%%", e.g. "98.0%".
std::u16string ShareText(double percent);

// The speed of the last read, "%dx (%0.1f kbps)": the multiple of
// 150 × 1024 bytes per second (truncated) and the kibibytes per second.
std::u16string SpeedText(std::int32_t bytesPerSecond);

// The time of a log entry in local time, "%d/%m/%Y %H:%M:%S".
std::u16string LogTimeText(const TimeValue& time);
