#include "gui/controls/SpeedCurveControl.h"

#include <QPainter>
#include <mutex>

#include "core/scan/SectorScanner.h"
#include "gui/controls/RepaintPacer.h"
#include "gui/controls/SpeedCurveImage.h"

SpeedCurveControl::SpeedCurveControl(const SectorScanner* source, QWidget* parent)
    : QWidget(parent), scanner(source) {}

void SpeedCurveControl::Refresh() { RepaintPacer::Update(this); }

void SpeedCurveControl::paintEvent(QPaintEvent*) {
  SpeedCurve curve;
  if (scanner != nullptr) {
    // A copy of the curve's few kilobytes, so the worker waits no longer
    // than that.
    const std::lock_guard lock(scanner->stateLock);
    curve = scanner->speedCurve;
  }
  QPainter painter(this);
  painter.drawImage(0, 0, RenderSpeedCurve(curve, size()));
}
