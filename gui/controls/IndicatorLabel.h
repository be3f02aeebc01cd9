// A small label that shows one short text centred on a coloured field inside
// a thin frame: the scan page's shares of good, problem and error reads. It
// draws itself into an off-screen image only when its text, colours or size
// change, and is repainted within a frame (RepaintPacer); painting copies
// that image.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class IndicatorLabel : public QWidget {
  Q_OBJECT

 public:
  explicit IndicatorLabel(QWidget* parent = nullptr);

  // Stores the colours and redraws when any of them differs from the stored
  // ones; otherwise does nothing.
  void SetColors(QColor text, QColor fill, QColor border);
  // Stores the text and redraws when it differs from the stored one;
  // otherwise does nothing.
  void SetText(const QString& text);

  const QString& Text() const { return text; }
  // How many times the label has drawn itself, for tests to see that an
  // unchanged text or colour costs nothing.
  int RenderCount() const { return renders; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Render();

  QColor textColor;
  QColor fillColor;
  QColor borderColor;
  QString text;
  QImage buffer;
  int renders = 0;
};
