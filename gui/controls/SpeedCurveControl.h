// The read-speed curve of a scanner's surface scan as a control: it draws the
// scanner's curve as it stands, and follows the scan when Refresh is called
// with its reports (a repaint at most once a frame).
#pragma once

#include <QWidget>

class SectorScanner;

class SpeedCurveControl : public QWidget {
 public:
  // scanner may be null: the control then stays empty.
  explicit SpeedCurveControl(const SectorScanner* scanner, QWidget* parent = nullptr);

  // The scan has moved on: repaint soon.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const SectorScanner* scanner;
};
