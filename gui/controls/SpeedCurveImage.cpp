#include "gui/controls/SpeedCurveImage.h"

#include <QPainter>
#include <algorithm>

#include "core/report/SpeedCurvePicture.h"
#include "core/scan/SpeedCurve.h"
#include "gui/controls/ChartImage.h"

namespace {

constexpr int kLeftMargin = 60;
constexpr int kRightMargin = 40;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 16;

}  // namespace

QRect SpeedCurvePlotArea(QSize size) {
  return QRect(kLeftMargin, kTopMargin, std::max(1, size.width() - kLeftMargin - kRightMargin),
               std::max(1, size.height() - kTopMargin - kBottomMargin));
}

QImage RenderSpeedCurve(const SpeedCurve& curve, QSize size) {
  const double base = curve.Base();
  // The plot is the picture a report shows, with its axes' labels around it.
  const QRect plot = SpeedCurvePlotArea(size);
  QImage image = ChartImage(size, plot, DrawSpeedCurvePicture(curve, plot.width(), plot.height()));

  QPainter painter(&image);
  SetUpChartLabels(painter);
  const double top = SpeedCurveAxisTop(curve);
  const auto label = [&](const QRect& where, int flags, const QString& what) {
    DrawChartLabel(painter, where, flags, what);
  };
  label(QRect(0, plot.top() - 4, kLeftMargin - 4, 12), Qt::AlignRight,
        QStringLiteral("%1 MB/s").arg(top / 1e6, 0, 'f', 1));
  label(QRect(plot.right() + 4, plot.top() - 4, kRightMargin - 4, 12), Qt::AlignLeft,
        QStringLiteral("%1x").arg(base > 0 ? top / base : 0, 0, 'f', 1));
  label(QRect(plot.left(), plot.bottom() + 2, plot.width() / 2, 12), Qt::AlignLeft,
        QStringLiteral("0 GB"));
  label(QRect(plot.left() + plot.width() / 2, plot.bottom() + 2, plot.width() / 2, 12),
        Qt::AlignRight,
        QStringLiteral("%1 GB").arg(static_cast<double>(curve.SectorCount()) * 2048 / 1e9, 0, 'f',
                                    2));
  return image;
}
