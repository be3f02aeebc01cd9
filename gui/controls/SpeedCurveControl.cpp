#include "gui/controls/SpeedCurveControl.h"

#include <QPainter>
#include <mutex>

#include "core/scan/ScanTable.h"
#include "gui/controls/RepaintPacer.h"
#include "gui/controls/SpeedCurveImage.h"

SpeedCurveControl::SpeedCurveControl(const ScanTable* source, QWidget* parent)
    : QWidget(parent), table(source) {}

void SpeedCurveControl::Refresh() { RepaintPacer::Update(this); }

void SpeedCurveControl::paintEvent(QPaintEvent*) {
  SpeedCurve curve;
  if (table != nullptr) {
    // A copy of the curve's few kilobytes, so the worker waits no longer
    // than that.
    const std::lock_guard lock(table->stateLock);
    curve = table->speedCurve;
  }
  QPainter painter(this);
  painter.drawImage(0, 0, RenderSpeedCurve(curve, size()));
}
