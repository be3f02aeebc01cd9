// The picture of a read-speed curve: speed (MB/s on the left, multiples of
// the medium's base speed on the right) over the position on the disc
// (sectors, labelled in GB), with a tick under the curve where a group of
// sectors held a problem or an error. Drawn for the details dialog and, as a
// PNG, for reports.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

class SpeedCurve;

inline constexpr QRgb kSpeedCurveColor = qRgb(0, 150, 0);

// Where the curve is drawn in a picture of size: inside margins that hold the
// axes' labels.
QRect SpeedCurvePlotArea(QSize size);

// The highest speed the picture's axis shows: a quarter above the fastest
// group, so that the curve never touches the top; 0 when nothing was read.
double SpeedCurveAxisTop(const SpeedCurve& curve);

// The curve drawn over size pixels.
QImage RenderSpeedCurve(const SpeedCurve& curve, QSize size);
