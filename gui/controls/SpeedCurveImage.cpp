#include "gui/controls/SpeedCurveImage.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "core/report/SpeedCurvePicture.h"
#include "core/scan/SpeedCurve.h"
#include "gui/controls/ChartImage.h"

namespace {

// The least margins, and the room between a label and the plot.
constexpr int kLeftMargin = 60;
constexpr int kRightMargin = 40;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 16;
constexpr int kLabelGap = 4;

// The axes' labels: the top speed in MB/s (left) and in multiples of the
// base speed (right), and the disc's size in GB at the bottom right.
struct AxisLabels {
  QString speed;
  QString multiple;
  QString size;
};

AxisLabels LabelsOf(const SpeedCurve& curve) {
  const double top = SpeedCurveAxisTop(curve);
  const double base = curve.Base();
  return {QStringLiteral("%1 MB/s").arg(top / 1e6, 0, 'f', 1),
          QStringLiteral("%1x").arg(base > 0 ? top / base : 0, 0, 'f', 1),
          QStringLiteral("%1 GB").arg(static_cast<double>(curve.SectorCount()) * 2048 / 1e9, 0, 'f',
                                      2)};
}

}  // namespace

QRect SpeedCurvePlotArea(const SpeedCurve& curve, QSize size) {
  // Wide enough margins for the labels, however fast the reads were.
  const QFontMetrics metrics(ChartLabelFont());
  const AxisLabels labels = LabelsOf(curve);
  const int left = std::max(kLeftMargin, metrics.horizontalAdvance(labels.speed) + 2 * kLabelGap);
  const int right =
      std::max(kRightMargin, metrics.horizontalAdvance(labels.multiple) + 2 * kLabelGap);
  return QRect(left, kTopMargin, std::max(1, size.width() - left - right),
               std::max(1, size.height() - kTopMargin - kBottomMargin));
}

QImage RenderSpeedCurve(const SpeedCurve& curve, QSize size) {
  // The plot is the picture a report shows, with its axes' labels around it.
  const QRect plot = SpeedCurvePlotArea(curve, size);
  QImage image = ChartImage(size, plot, DrawSpeedCurvePicture(curve, plot.width(), plot.height()));

  QPainter painter(&image);
  SetUpChartLabels(painter);
  const AxisLabels labels = LabelsOf(curve);
  const auto label = [&](const QRect& where, int flags, const QString& what) {
    DrawChartLabel(painter, where, flags, what);
  };
  label(QRect(0, plot.top() - 4, plot.left() - kLabelGap, 12), Qt::AlignRight, labels.speed);
  label(QRect(plot.right() + 1 + kLabelGap, plot.top() - 4,
              size.width() - plot.right() - 1 - kLabelGap, 12),
        Qt::AlignLeft, labels.multiple);
  label(QRect(plot.left(), plot.bottom() + 2, plot.width() / 2, 12), Qt::AlignLeft,
        QStringLiteral("0 GB"));
  label(
      QRect(plot.left() + plot.width() / 2, plot.bottom() + 2, plot.width() - plot.width() / 2, 12),
      Qt::AlignRight, labels.size);
  return image;
}
