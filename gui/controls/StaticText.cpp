#include "gui/controls/StaticText.h"

#include <QPainter>
#include <QStyle>

#include "gui/controls/RepaintPacer.h"

StaticText::StaticText(const QString& value, QWidget* parent) : QWidget(parent), text(value) {}

void StaticText::SetText(const QString& value) {
  if (value == text) return;
  text = value;
  RepaintPacer::Update(this);
}

void StaticText::SetText(std::u16string_view value) {
  // Compared in place, before anything is copied.
  if (QStringView(value.data(), static_cast<qsizetype>(value.size())) == text) return;
  text = QString::fromUtf16(value.data(), static_cast<qsizetype>(value.size()));
  RepaintPacer::Update(this);
}

void StaticText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  style()->drawItemText(&painter, rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                        palette(), isEnabled(), text, QPalette::WindowText);
}
