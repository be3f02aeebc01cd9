// The read-speed curve of a scan as one picture: speed up the picture, the
// position on the disc across it, with grid lines at the quarters of the axis
// and a tick at the foot where a group of sectors held a problem or an error.
// The picture holds no text: a report's caption, or the details dialog's
// labels around it, give the axes' values.
#pragma once

#include "core/format/SurfaceCells.h"
#include "core/report/PngImage.h"
#include "core/scan/SpeedCurve.h"

inline constexpr std::uint32_t kSpeedGridRgb = 0xDCDCDC;
inline constexpr std::uint32_t kSpeedFrameRgb = 0x404040;
// The ticks in the map's colours.
inline constexpr std::uint32_t kSpeedTickProblemRgb = kProblemRgb;
inline constexpr std::uint32_t kSpeedTickErrorRgb = kErrorRgb;
// The height in pixels of a problem or error tick.
inline constexpr int kSpeedTickHeight = 6;

// The curve drawn on white over width by height pixels (at least 3 by 3),
// framed on its edge; SpeedCurveAxisTop(curve) is the top row.
RgbImage DrawSpeedCurvePicture(const SpeedCurve& curve, int width, int height);
