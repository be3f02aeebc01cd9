#include "gui/controls/BinaryViewer.h"

#include "core/format/HexDump.h"

BinaryViewer::BinaryViewer(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  setFont(ViewerFont());
}

QFont BinaryViewer::ViewerFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  font.setWeight(QFont::Normal);
  return font;
}

void BinaryViewer::ShowBytes(std::span<const std::uint8_t> bytes) {
  setPlainText(QString::fromStdU16String(FormatHexDump(bytes)));
}
