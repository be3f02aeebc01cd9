#include "core/report/SpeedCurvePicture.h"

#include <algorithm>

RgbImage DrawSpeedCurvePicture(const SpeedCurve& curve, int width, int height) {
  width = std::max(width, 3);
  height = std::max(height, 3);
  RgbImage image(width, height, 0xFFFFFF);
  const int right = width - 1, bottom = height - 1;
  // The curve and the ticks go over the grid and the frame.
  DrawGridAndFrame(image, kSpeedGridRgb, kSpeedFrameRgb);

  const double axisTop = SpeedCurveAxisTop(curve);
  const double sectors = std::max<double>(curve.SectorCount(), 1);
  // The middle of a group across the picture, and a speed up it.
  const auto x = [&](std::int32_t group) {
    const double middle = (static_cast<double>(group) + 0.5) * curve.GroupSize();
    return std::clamp(static_cast<int>(middle * width / sectors), 0, right);
  };
  const auto y = [&](double speed) {
    return std::clamp(bottom - static_cast<int>(speed / axisTop * bottom), 0, bottom);
  };
  // A line through the groups read, broken where a group was not.
  bool drawing = false;
  int lastX = 0, lastY = 0;
  for (std::int32_t group = 0; axisTop > 0 && group < curve.Groups(); ++group) {
    const double speed = curve.BytesPerSecond(group);
    if (speed < 0) {
      drawing = false;
      continue;
    }
    const int px = x(group), py = y(speed);
    DrawLine(image, drawing ? lastX : px, drawing ? lastY : py, px, py, kSpeedCurveRgb);
    lastX = px;
    lastY = py;
    drawing = true;
  }
  // Ticks over the curve, which falls to the foot where reads failed; errors
  // over problems.
  const int tickTop = std::max(0, bottom - kSpeedTickHeight);
  for (const bool errors : {false, true})
    for (std::int32_t group = 0; group < curve.Groups(); ++group)
      if (errors ? curve.HasError(group) : curve.HasProblem(group))
        DrawLine(image, x(group), tickTop, x(group), bottom - 1,
                 errors ? kSpeedTickErrorRgb : kSpeedTickProblemRgb);
  return image;
}
