#include "gui/controls/HistoryChartControl.h"

#include <QPainter>
#include <algorithm>

#include "core/history/HistoryTexts.h"
#include "gui/controls/ChartImage.h"

namespace {

constexpr int kLeftMargin = 50;
constexpr int kRightMargin = 8;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 16;

}  // namespace

QRect HistoryChartPlotArea(QSize size) {
  return QRect(kLeftMargin, kTopMargin, std::max(16, size.width() - kLeftMargin - kRightMargin),
               std::max(16, size.height() - kTopMargin - kBottomMargin));
}

QImage RenderHistoryChart(const std::vector<HistoryScan>& surfaceScans, QSize size) {
  const QRect plot = HistoryChartPlotArea(size);
  QImage image =
      ChartImage(size, plot, DrawHistoryChart(surfaceScans, plot.width(), plot.height()));
  QPainter painter(&image);
  SetUpChartLabels(painter);
  const auto label = [&](const QRect& where, int flags, const QString& what) {
    DrawChartLabel(painter, where, flags, what);
  };
  label(QRect(0, plot.top() - 4, kLeftMargin - 4, 12), Qt::AlignRight,
        QString::number(HistoryChartTop(surfaceScans)));
  label(QRect(0, plot.bottom() - 8, kLeftMargin - 4, 12), Qt::AlignRight, QStringLiteral("0"));
  if (surfaceScans.empty()) return image;
  const QString first = QString::fromStdString(HistoryTimeText(surfaceScans.front().time));
  // One scan's date under its dot, in the middle; else the first's and the
  // latest's under the ends.
  if (surfaceScans.size() == 1) {
    label(QRect(plot.left(), plot.bottom() + 2, plot.width(), 12), Qt::AlignHCenter, first);
    return image;
  }
  label(QRect(plot.left(), plot.bottom() + 2, plot.width() / 2, 12), Qt::AlignLeft, first);
  label(QRect(plot.left() + plot.width() / 2, plot.bottom() + 2, plot.width() / 2, 12),
        Qt::AlignRight, QString::fromStdString(HistoryTimeText(surfaceScans.back().time)));
  return image;
}

void HistoryChartControl::SetScans(const std::vector<HistoryScan>& scans) {
  surfaceScans = SurfaceScans(scans);
  update();
}

void HistoryChartControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, RenderHistoryChart(surfaceScans, size()));
}
