#include "gui/platform/LinkCtrl.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

QFont LinkFont(QFont font) {
  font.setUnderline(true);
  return font;
}

}  // namespace

LinkCtrl::LinkCtrl(const QString& markup, QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  SetMarkup(markup);
}

void LinkCtrl::SetMarkup(const QString& markup) {
  const qsizetype open = markup.indexOf(QLatin1String("<a"));
  const qsizetype openEnd = open < 0 ? -1 : markup.indexOf(QLatin1Char('>'), open);
  const qsizetype close = openEnd < 0 ? -1 : markup.indexOf(QLatin1String("</a>"), openEnd);
  if (close < 0) {
    before = markup;
    link.clear();
    after.clear();
  } else {
    before = markup.left(open);
    link = markup.mid(openEnd + 1, close - openEnd - 1);
    after = markup.mid(close + 4);
  }
  updateGeometry();
  update();
}

QRect LinkCtrl::LinkRect() const {
  const int x = fontMetrics().horizontalAdvance(before);
  const QFontMetrics linkMetrics(LinkFont(font()));
  return QRect(x, 0, linkMetrics.horizontalAdvance(link), linkMetrics.height());
}

QSize LinkCtrl::sizeHint() const {
  const QFontMetrics linkMetrics(LinkFont(font()));
  const QFontMetrics metrics = fontMetrics();
  return QSize(metrics.horizontalAdvance(before) + linkMetrics.horizontalAdvance(link) +
                   metrics.horizontalAdvance(after),
               metrics.height());
}

void LinkCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int baseline = fontMetrics().ascent();
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(0, baseline, before);
  const QRect linkRect = LinkRect();
  painter.setFont(LinkFont(font()));
  painter.setPen(palette().color(QPalette::Link));
  painter.drawText(linkRect.x(), baseline, link);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(linkRect.right() + 1, baseline, after);
  if (hasFocus() && !link.isEmpty()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = linkRect;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void LinkCtrl::mousePressEvent(QMouseEvent* event) { event->accept(); }

void LinkCtrl::mouseReleaseEvent(QMouseEvent* event) {
  // A click on the control outside the link does nothing, and does not reach
  // the window behind it either.
  event->accept();
  if (event->button() == Qt::LeftButton && LinkRect().contains(event->position().toPoint()))
    emit clicked();
}

void LinkCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit returnPressed();
    return;
  }
  QWidget::keyPressEvent(event);
}
