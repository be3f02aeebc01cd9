// The read-speed curve: its groups stay bounded, speeds per group, the CSV.
#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SpeedCurve.h"

namespace {

TEST(SpeedCurveTest, GroupsStayBoundedOnTheLargestMedium) {
  const struct {
    std::int32_t sectors, groupSize, groups;
  } cases[] = {
      {0, 1, 0},
      {100, 1, 100},
      {2048, 1, 2048},
      {2049, 2, 1025},
      {48'800'000, 23'829, 2048},  // a 100 GB BD
  };
  for (const auto& c : cases) {
    SpeedCurve curve;
    curve.Start(c.sectors, 1e6);
    EXPECT_EQ(curve.GroupSize(), c.groupSize) << c.sectors;
    EXPECT_EQ(curve.Groups(), c.groups) << c.sectors;
    curve.Add(c.sectors - 1, 1000, SectorState::Good);  // the last sector has its group
    curve.Add(c.sectors, 1000, SectorState::Good);      // past the end: ignored
    if (c.sectors > 0) {
      EXPECT_DOUBLE_EQ(curve.BytesPerSecond(c.groups - 1), 2048000.0) << c.sectors;
    }
  }
}

TEST(SpeedCurveTest, AGroupsSpeedIsItsBytesOverItsTime) {
  SpeedCurve curve;
  curve.Start(4100, BaseSpeed(u"CD-ROM"));  // groups of 3 sectors
  curve.Add(0, 1000, SectorState::Good);
  curve.Add(1, 1000, SectorState::Good);
  curve.Add(2, 2000, SectorState::Error);  // time, no bytes
  EXPECT_DOUBLE_EQ(curve.BytesPerSecond(0), 4096.0 * 1e6 / 4000);
  EXPECT_TRUE(curve.HasError(0));
  EXPECT_FALSE(curve.HasProblem(0));
  EXPECT_LT(curve.BytesPerSecond(1), 0);  // not read
  curve.Add(3, 0, SectorState::Problem);  // quicker than the clock
  EXPECT_DOUBLE_EQ(curve.BytesPerSecond(1), 2048.0 * 1e6);
  EXPECT_TRUE(curve.HasProblem(1));
  EXPECT_EQ(SpeedCurveCsv(curve),
            "first_sector,last_sector,position_gb,speed_mb_s,speed_x\n"
            "0,2,0.000,1.024,6.67\n"
            "3,5,0.000,2048.000,13333.33\n");
}

TEST(SpeedCurveTest, BaseSpeedOfEachMediumKind) {
  EXPECT_DOUBLE_EQ(BaseSpeed(u"CD-R"), 153600.0);
  EXPECT_DOUBLE_EQ(BaseSpeed(u"DVD+RW"), 1385000.0);
  EXPECT_DOUBLE_EQ(BaseSpeed(u"BD-ROM"), 4496000.0);
  EXPECT_DOUBLE_EQ(BaseSpeed(u""), 1385000.0);
}

// The scanner records each sector's share of its read.
TEST(SpeedCurveTest, TheScannerRecordsEachRead) {
  fake::Reset();
  fake::SetRecording(false);
  fake::script().medium = fake::Medium(u"DVD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(8, 0, 1);
  fake::script().readFailures[5] = -1;
  std::atomic<std::uint64_t> micros{0};
  // Each read takes 4 ms on the test clock.
  fake::script().onRead = [&](std::int32_t) { micros += 4000; };
  Recorder receiver;
  const DeviceContext context(u'D');
  SectorScanner scanner(std::make_unique<DirectBridge>(), &receiver,
                        {[&] { return micros.load(); }, [] { return TimeValue{0}; }});
  scanner.options.sectorsPerRead = 4;
  ASSERT_TRUE(scanner.Start(true, false, &context));
  scanner.Wait();
  const SpeedCurve& curve = scanner.speedCurve;
  ASSERT_EQ(curve.Groups(), 8);
  EXPECT_DOUBLE_EQ(curve.Base(), BaseSpeed(u"DVD-ROM"));
  // Sectors 0-3: one read of 4 sectors in 4 ms; sectors 4-7: a failed read
  // of 4, then each sector alone, 4 ms each, and sector 5 five times.
  for (std::int32_t sector = 0; sector < 4; ++sector)
    EXPECT_DOUBLE_EQ(curve.BytesPerSecond(sector), 2048.0 * 1e6 / 1000) << sector;
  EXPECT_DOUBLE_EQ(curve.BytesPerSecond(4), 2048.0 * 1e6 / 4000);
  EXPECT_DOUBLE_EQ(curve.BytesPerSecond(5), 0.0);
  EXPECT_DOUBLE_EQ(curve.BytesPerSecond(7), 2048.0 * 1e6 / 4000);
}

}  // namespace
