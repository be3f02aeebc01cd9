// The read-speed curve's picture: where a known series puts its pixels, the
// ticks of problems and errors, and the curve in the details dialog during a
// scan.
#include <gtest/gtest.h>

#include "core/scan/SpeedCurve.h"
#include "gui/controls/SpeedCurveImage.h"
#include "gui/controls/SurfaceTiles.h"

namespace {

// The rows of column x that hold color, top to bottom.
std::vector<int> RowsOf(const QImage& image, int x, QRgb color, const QRect& within) {
  std::vector<int> rows;
  for (int y = within.top(); y <= within.bottom(); ++y)
    if (image.pixel(x, y) == color) rows.push_back(y);
  return rows;
}

TEST(SpeedCurveImageTest, AKnownSeriesLandsOnItsPixels) {
  // 100 sectors: 0-49 read at 1 MB/s, 50-99 at 2 MB/s; a problem at 30 and
  // an error (no bytes) at 60.
  SpeedCurve curve;
  curve.Start(100, 1e6);
  for (std::int32_t sector = 0; sector < 100; ++sector) {
    const SectorState state = sector == 30   ? SectorState::Problem
                              : sector == 60 ? SectorState::Error
                                             : SectorState::Good;
    curve.Add(sector, sector < 50 ? 2048 : 1024, state);
  }
  const QSize size(460, 216);  // a plot of 360 x 192 pixels
  const QImage image = RenderSpeedCurve(curve, size);
  const QRect plot = SpeedCurvePlotArea(curve, size);
  ASSERT_EQ(plot, QRect(60, 8, 360, 192));
  EXPECT_DOUBLE_EQ(SpeedCurveAxisTop(curve), 2.5e6);

  // Across the plot, the middle of sector s is 3.6 (s + 0.5) pixels from its
  // left; up it, speed v is v / 2.5 MB/s of its 191 pixels from the bottom.
  const auto x = [&](double sector) {
    return plot.left() + static_cast<int>((sector + 0.5) * 3.6);
  };
  const auto y = [&](double speed) {
    return plot.bottom() - static_cast<int>(speed / 2.5e6 * 191);
  };
  const QRgb green = kSpeedCurveColor;
  EXPECT_EQ(RowsOf(image, x(20), green, plot), std::vector<int>{y(1e6)});
  EXPECT_EQ(RowsOf(image, x(40), green, plot), std::vector<int>{y(1e6)});
  EXPECT_EQ(RowsOf(image, x(80), green, plot), std::vector<int>{y(2e6)});
  // The error delivered nothing: the curve falls to the foot there.
  EXPECT_EQ(image.pixel(x(60), y(0)), green);
  // Ticks at the foot mark the problem and the error; none elsewhere.
  EXPECT_EQ(image.pixel(x(30), plot.bottom() - 3), kProblemColor);
  EXPECT_EQ(image.pixel(x(60), plot.bottom() - 3), kErrorColor);
  EXPECT_EQ(RowsOf(image, x(20), kErrorColor, plot), std::vector<int>{});
  EXPECT_EQ(RowsOf(image, x(20), kProblemColor, plot), std::vector<int>{});
  // Outside the plot, no curve.
  EXPECT_EQ(RowsOf(image, plot.left() - 2, green, QRect(0, 0, 1, size.height())),
            std::vector<int>{});
}

TEST(SpeedCurveImageTest, GroupsNotReadBreakTheCurve) {
  SpeedCurve curve;
  curve.Start(100, 1e6);
  for (std::int32_t sector = 0; sector < 100; ++sector)
    if (sector < 20 || sector >= 40) curve.Add(sector, 2048, SectorState::Good);
  const QSize size(460, 216);
  const QImage image = RenderSpeedCurve(curve, size);
  const QRect plot = SpeedCurvePlotArea(curve, size);
  const auto x = [&](double sector) {
    return plot.left() + static_cast<int>((sector + 0.5) * 3.6);
  };
  EXPECT_EQ(RowsOf(image, x(10), kSpeedCurveColor, plot).size(), 1u);
  EXPECT_TRUE(RowsOf(image, x(30), kSpeedCurveColor, plot).empty());
  EXPECT_EQ(RowsOf(image, x(50), kSpeedCurveColor, plot).size(), 1u);
  // Nothing read at all: the axes only.
  SpeedCurve empty;
  empty.Start(100, 1e6);
  const QImage blank = RenderSpeedCurve(empty, size);
  for (int column = plot.left() + 1; column < plot.right(); column += 7)
    EXPECT_TRUE(RowsOf(blank, column, kSpeedCurveColor, plot).empty());
}

// However fast the reads, the axes' labels are whole: the margins widen for
// them, and no label touches the picture's edge.
TEST(SpeedCurveImageTest, AxisLabelsAreNeverCut) {
  for (const double bytesPerSecond : {1.0e6, 2.56e9}) {
    SCOPED_TRACE(bytesPerSecond);
    SpeedCurve curve;
    curve.Start(1000, 153600);  // a CD: 2.56 GB/s is over 16000x
    for (std::int32_t sector = 0; sector < 1000; ++sector)
      curve.Add(sector, static_cast<std::uint64_t>(2048 * 1e6 / bytesPerSecond), SectorState::Good);
    const QSize size(460, 120);
    const QImage image = RenderSpeedCurve(curve, size);
    const QRect plot = SpeedCurvePlotArea(curve, size);
    // The band of the top labels, left and right of the plot.
    const auto inkIn = [&](int left, int right) {
      int columns = 0;
      for (int x = left; x <= right; ++x) {
        bool ink = false;
        for (int y = 0; y < plot.top() + 10; ++y) ink = ink || image.pixel(x, y) != 0xFFFFFFFFu;
        columns += ink;
      }
      return columns;
    };
    EXPECT_GT(inkIn(0, plot.left() - 1), 20);                  // the MB/s label is there
    EXPECT_GT(inkIn(plot.right() + 1, size.width() - 1), 10);  // and the multiple
    EXPECT_EQ(inkIn(0, 0), 0);                                 // neither is cut
    EXPECT_EQ(inkIn(size.width() - 1, size.width() - 1), 0);
  }
}

}  // namespace
