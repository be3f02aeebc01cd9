#include "gui/controls/ChartImage.h"

QImage ChartImage(QSize size, const QRect& plot, const RgbImage& picture) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int row = 0; row < picture.height && plot.top() + row < image.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(plot.top() + row));
    for (int column = 0; column < picture.width && plot.left() + column < image.width(); ++column)
      line[plot.left() + column] = 0xFF000000u | picture.At(column, row);
  }
  return image;
}

QFont ChartLabelFont() {
  QFont font;
  font.setPixelSize(10);
  return font;
}

void SetUpChartLabels(QPainter& painter) {
  painter.setPen(QColor(64, 64, 64));
  painter.setFont(ChartLabelFont());
}

void DrawChartLabel(QPainter& painter, const QRect& where, int flags, const QString& text) {
  painter.drawText(where, flags | Qt::TextSingleLine | Qt::TextDontClip, text);
}
