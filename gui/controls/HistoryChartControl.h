// The problem and error sectors of a disc's surface scans over time, as a
// control of the history dialog: the picture a report embeds
// (DrawHistoryChart), with the sector count of its top and foot on the left
// and the first and last scans' dates under it.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>
#include <vector>

#include "core/history/HistoryChart.h"

inline constexpr QRgb kHistoryProblemColor = 0xFF000000u | kHistoryProblemRgb;
inline constexpr QRgb kHistoryErrorColor = 0xFF000000u | kHistoryErrorRgb;

// Where the chart is drawn in a picture of size: inside margins that hold the
// axes' labels.
QRect HistoryChartPlotArea(QSize size);

// The chart of surfaceScans (oldest first) drawn over size pixels.
QImage RenderHistoryChart(const std::vector<HistoryScan>& surfaceScans, QSize size);

class HistoryChartControl : public QWidget {
 public:
  explicit HistoryChartControl(QWidget* parent = nullptr) : QWidget(parent) {}

  // The disc's scans, oldest first; only the surface scans are drawn.
  void SetScans(const std::vector<HistoryScan>& scans);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<HistoryScan> surfaceScans;
};
