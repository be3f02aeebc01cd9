#include "scan/ScanFigures.h"

#include <algorithm>

#include "pages/PropertyRows.h"

int ProgressPercent(const ProgressCtx_t& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(std::int64_t{progress.current} * 100 / progress.total);
}

ReadShares ShareOfReads(const ProgressCtx_t& progress) {
  ReadShares shares;
  if (progress.current == 0) return shares;
  shares.problem = progress.problems * 100.0 / progress.current;
  shares.error = progress.errors * 100.0 / progress.current;
  // When every read so far failed, rounding may leave a tiny negative
  // remainder, which would show as "-0.0%".
  shares.good = std::max(0.0, 100.0 - shares.problem - shares.error);
  return shares;
}

std::u16string ShareText(double percent) { return FormatText("%3.1f%%", percent); }

std::u16string SpeedText(std::int32_t bytesPerSecond) {
  return FormatText("%dx (%0.1f kbps)", bytesPerSecond / 153600, bytesPerSecond / 1024.0);
}

std::u16string LogTimeText(const TimeValue& time) { return time.Format("%d/%m/%Y %H:%M:%S"); }
