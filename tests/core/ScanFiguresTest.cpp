#include <gtest/gtest.h>

#include "scan/ScanFigures.h"

namespace {

ProgressCtx_t Progress(std::int32_t total, std::int32_t current, std::int32_t problems = 0,
                       std::int32_t errors = 0) {
  ProgressCtx_t progress;
  progress.total = total;
  progress.current = current;
  progress.problems = problems;
  progress.errors = errors;
  return progress;
}

TEST(ScanFiguresTest, ProgressPercentIsExactForLargeSessions) {
  EXPECT_EQ(ProgressPercent(Progress(0, 0)), 0);
  EXPECT_EQ(ProgressPercent(Progress(3, 1)), 33);
  EXPECT_EQ(ProgressPercent(Progress(3, 3)), 100);
  // current × 100 is beyond the 32-bit range here.
  EXPECT_EQ(ProgressPercent(Progress(2'000'000'000, 1'000'000'000)), 50);
  EXPECT_EQ(ProgressPercent(Progress(2'000'000'000, 1'999'999'999)), 99);
}

TEST(ScanFiguresTest, SharesAndTheirTexts) {
  const ReadShares some = ShareOfReads(Progress(1000, 200, 3, 1));
  EXPECT_EQ(ShareText(some.good), u"98.0%");
  EXPECT_EQ(ShareText(some.problem), u"1.5%");
  EXPECT_EQ(ShareText(some.error), u"0.5%");
  // Nothing good: 100 - 33.3... - 66.6... is a hair below 0 in doubles.
  EXPECT_EQ(ShareText(ShareOfReads(Progress(1000, 3, 1, 2)).good), u"0.0%");
  // Before the first read everything counts as good.
  const ReadShares none = ShareOfReads(Progress(1000, 0));
  EXPECT_EQ(ShareText(none.good), u"100.0%");
  EXPECT_EQ(ShareText(none.problem), u"0.0%");
}

TEST(ScanFiguresTest, SpeedText) {
  EXPECT_EQ(SpeedText(2048000), u"13x (2000.0 kbps)");
  EXPECT_EQ(SpeedText(128000), u"0x (125.0 kbps)");
  EXPECT_EQ(SpeedText(0), u"0x (0.0 kbps)");
}

}  // namespace
