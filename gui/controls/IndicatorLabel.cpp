#include "gui/controls/IndicatorLabel.h"

#include <QPaintEvent>
#include <QPainter>

#include "gui/controls/RepaintPacer.h"

IndicatorLabel::IndicatorLabel(QWidget* parent) : QWidget(parent) {
  // Every pixel comes from the buffer: nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void IndicatorLabel::SetColors(QColor textValue, QColor fillValue, QColor borderValue) {
  if (textValue == textColor && fillValue == fillColor && borderValue == borderColor) return;
  textColor = textValue;
  fillColor = fillValue;
  borderColor = borderValue;
  Render();
  RepaintPacer::Update(this);
}

void IndicatorLabel::SetText(const QString& value) {
  if (value == text) return;
  text = value;
  Render();
  RepaintPacer::Update(this);
}

void IndicatorLabel::resizeEvent(QResizeEvent*) { Render(); }

void IndicatorLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), buffer, QRect(QPoint(0, 0), size()));
}

// A one-pixel frame in the border colour, a one-pixel ring of button face,
// the field in the fill colour, and the text on one line in the middle of the
// field, cut off at its edges.
void IndicatorLabel::Render() {
  ++renders;
  buffer = QImage(size(), QImage::Format_RGB32);
  if (buffer.isNull()) return;
  const QColor face = palette().color(QPalette::Button);
  buffer.fill(borderColor);
  QPainter painter(&buffer);
  painter.fillRect(rect().adjusted(1, 1, -1, -1), face);
  const QRect field = rect().adjusted(2, 2, -2, -2);
  painter.fillRect(field, fillColor);
  painter.setPen(textColor);
  painter.setFont(parentWidget() != nullptr ? parentWidget()->font() : font());
  painter.setClipRect(field);
  painter.drawText(field, Qt::AlignCenter | Qt::TextSingleLine, text);
}
