// Repaints of content that a scan changes hundreds of times a second (the
// status and speed texts, the surface map's cells), gathered and handed on at
// most once a frame. Painting after every report would cost the window's
// thread more than the reports themselves; nobody sees more than a frame.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <utility>
#include <vector>

class RepaintPacer : public QObject {
 public:
  // How long a change may wait for its repaint.
  static constexpr int kFrameMs = 20;

  // Asks for a repaint of area of widget (all of it when area is empty)
  // within one frame. On the window's thread.
  static void Update(QWidget* widget, const QRect& area = QRect());

 private:
  // Lives as long as the application, which owns it.
  explicit RepaintPacer(QObject* application);
  void Flush();

  QTimer* timer;
  // Each widget with the bounding rectangle of the areas asked for.
  std::vector<std::pair<QPointer<QWidget>, QRect>> pending;
};
