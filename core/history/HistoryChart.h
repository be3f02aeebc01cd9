// The problem and error sectors of a disc's surface scans over time, as one
// picture drawn without Qt: the scans across it in their order (the first at
// the left, the latest at the right, evenly apart), sectors up it from 0 at
// the foot, a line through each scan's problem count and one through its
// error count, with a dot at each scan. The picture holds no text: the
// window's labels or a report's caption give the axes' values.
#pragma once

#include <vector>

#include "core/history/HistoryRecords.h"
#include "core/report/PngImage.h"

inline constexpr std::uint32_t kHistoryProblemRgb = 0xD99A00;
inline constexpr std::uint32_t kHistoryErrorRgb = 0xE00000;

// The surface scans among scans, oldest first.
std::vector<HistoryScan> SurfaceScans(const std::vector<HistoryScan>& scans);

// The sector count at the top of the chart: a quarter above the largest
// problem or error count, at least 4.
std::int64_t HistoryChartTop(const std::vector<HistoryScan>& surfaceScans);

// The chart of surfaceScans (oldest first) over width by height pixels (at
// least 16 by 16), framed, with grid lines at the quarters of its height.
RgbImage DrawHistoryChart(const std::vector<HistoryScan>& surfaceScans, int width, int height);
