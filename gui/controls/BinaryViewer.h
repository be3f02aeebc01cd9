// The hex dump view: a read-only multi-line text in a fixed-pitch font whose
// lines wrap at the control's width (there is no horizontal scrolling).
// Scrolling, selection and copying are the text control's own.
#pragma once

#include <QFont>
#include <QPlainTextEdit>
#include <cstdint>
#include <span>

class BinaryViewer : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit BinaryViewer(QWidget* parent = nullptr);

  // Replaces the whole text, in one step, by the hex dump of bytes.
  void ShowBytes(std::span<const std::uint8_t> bytes);

  // The width the control needs to show a line of `characters` characters
  // whole, beside its scroll bar.
  int WidthForLine(int characters) const;

  // "Courier New" (or the monospace font that stands in for it), 13 pixels
  // high, normal weight.
  static QFont ViewerFont();
};
