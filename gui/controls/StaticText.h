// A static text whose owner places it and changes its text often: it keeps
// the text and has it repainted within a frame (RepaintPacer), and never
// measures or lays itself out again (a QLabel does both on every change). The text wraps at the
// control's width and starts at its top left, as a static control's does.
#pragma once

#include <QString>
#include <QWidget>

class StaticText : public QWidget {
  Q_OBJECT

 public:
  explicit StaticText(const QString& text, QWidget* parent = nullptr);

  // Stores the text and repaints when it differs from the one shown.
  void SetText(const QString& value);
  void SetText(std::u16string_view value);
  const QString& Text() const { return text; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text;
};
