// What the scan page shows of a progress record: the progress bar's
// position, the shares of good, problem and error reads, and the texts of
// the shares and of the read speed. Numbers are written with a '.' whatever
// the desktop's locale.
#pragma once

#include <cstdint>
#include <string>

#include "core/scan/ISectorScannerCallback.h"

// current x 100 / total, truncated; 0 when total is 0. Exact for every count.
int ProgressPosition(const ProgressCtx_t& progress);

// Percentages of the reads (or files) done so far.
struct ScanShares {
  double good = 100.0;
  double problem = 0.0;
  double error = 0.0;
};

// problems and errors x 100 / current, the rest good; 100, 0 and 0 before
// the first read.
ScanShares SharesOf(const ProgressCtx_t& progress);

// A share with one decimal and a percent sign: "98.0%".
std::u16string PercentText(double share);

// The speed as a multiple of 150 KiB/s (truncated) and in KiB/s with one
// decimal: "13x (2000.0 kbps)".
std::u16string SpeedText(std::int32_t bytesPerSecond);
