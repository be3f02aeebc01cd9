// The read-speed curve of a surface scan as a control: it draws the curve of
// a scan's table (a scanner's, or a kept one) as it stands, and follows a
// running scan when Refresh is called
// with its reports (a repaint at most once a frame).
#pragma once

#include <QWidget>

struct ScanTable;

class SpeedCurveControl : public QWidget {
 public:
  // table may be null: the control then stays empty.
  explicit SpeedCurveControl(const ScanTable* table, QWidget* parent = nullptr);

  // The scan has moved on: repaint soon.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const ScanTable* table;
};
