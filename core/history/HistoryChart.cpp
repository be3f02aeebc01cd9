#include "core/history/HistoryChart.h"

#include <algorithm>

#include "core/report/SpeedCurvePicture.h"

namespace {

// Pixels kept free inside the frame, so that a dot on an edge shows whole.
constexpr int kInset = 4;

void Dot(RgbImage& image, int x, int y, std::uint32_t rgb) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = x + dx, py = y + dy;
      if (px >= 0 && py >= 0 && px < image.width && py < image.height) image.At(px, py) = rgb;
    }
}

}  // namespace

std::vector<HistoryScan> SurfaceScans(const std::vector<HistoryScan>& scans) {
  std::vector<HistoryScan> surface;
  for (const HistoryScan& scan : scans)
    if (scan.kind == scan_kind::kSurfaceScan) surface.push_back(scan);
  return surface;
}

std::int64_t HistoryChartTop(const std::vector<HistoryScan>& surfaceScans) {
  std::int64_t largest = 0;
  for (const HistoryScan& scan : surfaceScans)
    largest = std::max({largest, scan.problemSectors, scan.errorSectors});
  return std::max<std::int64_t>(4, largest + (largest + 3) / 4);
}

RgbImage DrawHistoryChart(const std::vector<HistoryScan>& surfaceScans, int width, int height) {
  width = std::max(width, 16);
  height = std::max(height, 16);
  RgbImage image(width, height, 0xFFFFFF);
  const int right = width - 1, bottom = height - 1;
  DrawGridAndFrame(image, kSpeedGridRgb, kSpeedFrameRgb);
  if (surfaceScans.empty()) return image;

  const std::int64_t top = HistoryChartTop(surfaceScans);
  const int left = kInset, span = right - 2 * kInset, foot = bottom - kInset;
  const int rise = bottom - 2 * kInset;
  // Evenly apart, so that scans of one day stay apart from each other; one
  // scan stands in the middle.
  const std::size_t count = surfaceScans.size();
  const auto x = [&](std::size_t index) {
    if (count == 1) return left + span / 2;
    return left +
           static_cast<int>(static_cast<double>(index) * span / static_cast<double>(count - 1));
  };
  const auto y = [&](std::int64_t sectors) {
    return foot - static_cast<int>(static_cast<double>(std::clamp<std::int64_t>(sectors, 0, top)) *
                                   rise / static_cast<double>(top));
  };
  // Errors over problems.
  for (const bool errors : {false, true}) {
    const std::uint32_t rgb = errors ? kHistoryErrorRgb : kHistoryProblemRgb;
    int lastX = 0, lastY = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const HistoryScan& scan = surfaceScans[i];
      const int px = x(i), py = y(errors ? scan.errorSectors : scan.problemSectors);
      if (i > 0) DrawLine(image, lastX, lastY, px, py, rgb);
      lastX = px;
      lastY = py;
    }
    for (std::size_t i = 0; i < count; ++i)
      Dot(image, x(i), y(errors ? surfaceScans[i].errorSectors : surfaceScans[i].problemSectors),
          rgb);
  }
  return image;
}
