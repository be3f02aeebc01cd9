// The picture of a read-speed curve: speed (MB/s on the left, multiples of
// the medium's base speed on the right) over the position on the disc
// (sectors, labelled in GB), with a tick under the curve where a group of
// sectors held a problem or an error. Drawn for the details dialog and, as a
// PNG, for reports.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include "core/scan/SpeedCurve.h"

inline constexpr QRgb kSpeedCurveColor = 0xFF000000u | kSpeedCurveRgb;

// Where curve is drawn in a picture of size: inside margins that hold the
// axes' labels whole, however many digits they have.
QRect SpeedCurvePlotArea(const SpeedCurve& curve, QSize size);

// The curve drawn over size pixels.
QImage RenderSpeedCurve(const SpeedCurve& curve, QSize size);
