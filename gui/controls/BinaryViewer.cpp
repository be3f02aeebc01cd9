#include "gui/controls/BinaryViewer.h"

#include <QScrollBar>
#include <QTextDocument>
#include <cmath>

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

// The text wraps at the viewport's width less the document's margins and the
// cursor's pixel at the end of the line.
int BinaryViewer::WidthForLine(int characters) const {
  const qreal text = QFontMetricsF(font()).horizontalAdvance(QString(characters, u'0'));
  const qreal margins = 2 * document()->documentMargin() + cursorWidth();
  return static_cast<int>(std::ceil(text + margins)) + 2 * frameWidth() +
         verticalScrollBar()->sizeHint().width();
}
