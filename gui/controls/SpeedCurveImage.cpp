#include "gui/controls/SpeedCurveImage.h"

#include <QPainter>
#include <algorithm>

#include "core/scan/SpeedCurve.h"
#include "gui/controls/SurfaceTiles.h"

namespace {

constexpr int kLeftMargin = 60;
constexpr int kRightMargin = 40;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 16;
// The height of a problem or error tick at the foot of the plot.
constexpr int kTickHeight = 6;

}  // namespace

QRect SpeedCurvePlotArea(QSize size) {
  return QRect(kLeftMargin, kTopMargin, std::max(1, size.width() - kLeftMargin - kRightMargin),
               std::max(1, size.height() - kTopMargin - kBottomMargin));
}

QImage RenderSpeedCurve(const SpeedCurve& curve, QSize size) {
  const double base = curve.Base();
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  const QRect plot = SpeedCurvePlotArea(size);
  const QColor grid(220, 220, 220);
  const QColor text(64, 64, 64);

  // A frame and four horizontal grid lines.
  painter.setPen(grid);
  for (int i = 1; i < 4; ++i) {
    const int y = plot.top() + plot.height() * i / 4;
    painter.drawLine(plot.left(), y, plot.right(), y);
  }
  painter.setPen(text);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));

  const double top = SpeedCurveAxisTop(curve);
  const std::int64_t sectors = std::max<std::int64_t>(curve.SectorCount(), 1);
  QFont font = painter.font();
  font.setPixelSize(10);
  painter.setFont(font);
  const auto label = [&](const QRect& where, int flags, const QString& what) {
    painter.drawText(where, flags | Qt::TextSingleLine | Qt::TextDontClip, what);
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

  // The middle of a group across the plot, and a speed up it.
  const auto x = [&](std::int32_t group) {
    const double middle = (static_cast<double>(group) + 0.5) * curve.GroupSize();
    return plot.left() + static_cast<int>(middle * plot.width() / static_cast<double>(sectors));
  };
  const auto y = [&](double speed) {
    return plot.bottom() - static_cast<int>(speed / top * (plot.height() - 1));
  };

  painter.setPen(QColor(kSpeedCurveColor));
  // A line through the groups read, broken where a group was not.
  bool drawing = false;
  QPoint last;
  for (std::int32_t group = 0; top > 0 && group < curve.Groups(); ++group) {
    const double speed = curve.BytesPerSecond(group);
    if (speed < 0) {
      drawing = false;
      continue;
    }
    const QPoint point(x(group), y(speed));
    if (drawing)
      painter.drawLine(last, point);
    else
      painter.drawPoint(point);
    last = point;
    drawing = true;
  }
  // The ticks over the curve, which falls to the foot where a read failed;
  // errors over problems.
  for (const bool errors : {false, true}) {
    painter.setPen(QColor(errors ? kErrorColor : kProblemColor));
    for (std::int32_t group = 0; group < curve.Groups(); ++group)
      if (errors ? curve.HasError(group) : curve.HasProblem(group))
        painter.drawLine(x(group), plot.bottom() - kTickHeight, x(group), plot.bottom() - 1);
  }
  return image;
}
