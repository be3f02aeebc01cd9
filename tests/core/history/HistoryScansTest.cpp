// A scan run as the history keeps it, and back: the records of its passes,
// and the table and curve an earlier scan is drawn and retried from.
#include <gtest/gtest.h>

#include <cmath>

#include "HistoryTestSupport.h"
#include "core/history/DiscHistory.h"
#include "core/history/HistoryScans.h"
#include "core/scan/ScanRecord.h"

namespace {

constexpr std::int32_t kSectors = 5000;

// A run of both passes: sectors 10-19 problem, 100-101 error, 4000 on not
// read (it was stopped), read at 2 MB/s up to sector 2000 and 4 MB/s after;
// the files test found one file and one directory it could not read.
ScanRecord SampleRun() {
  ScanRecord record;
  record.surfaceScan = record.filesTest = true;
  record.start = TimeValue{1700000000};
  record.sectors.assign(kSectors, static_cast<std::uint8_t>(SectorState::Good));
  record.speedCurve.Start(kSectors, 1385000);
  for (std::int32_t sector = 0; sector < kSectors; ++sector) {
    SectorState state = SectorState::Good;
    if (sector >= 10 && sector <= 19) state = SectorState::Problem;
    if (sector == 100 || sector == 101) state = SectorState::Error;
    if (sector >= 4000) state = SectorState::NotChecked;
    record.sectors[static_cast<std::size_t>(sector)] = static_cast<std::uint8_t>(state);
    if (state == SectorState::NotChecked) continue;
    // 2048 bytes in 1024 or 512 microseconds.
    record.speedCurve.Add(sector, sector < 2000 ? 1024 : 512, state);
  }
  ProgressCtx_t surface;
  surface.total = kSectors;
  surface.current = 4000;
  record.EndPass(ScanPass::SurfaceScan, surface, 65'400'000);
  ProgressCtx_t files;
  files.total = files.current = 12;
  record.EndPass(ScanPass::FilesTest, files, 1'500'000);
  record.log = {{LogKind::Error, {}, u"File error: DOCS\\REPORT.PDF"},
                {LogKind::Error, {}, u"File system error: OLD: medium error"},
                {LogKind::Info, {}, u"Files test finished"}};
  return record;
}

TEST(HistoryScansTest, KeepsEachPassOfARun) {
  ScanOptions options;
  options.sectorsPerRead = 8;
  const HistoryDrive drive{"ACME", "Reader", "1.00", ""};
  const std::vector<HistoryScan> scans = HistoryScansOf(SampleRun(), options, drive);
  ASSERT_EQ(scans.size(), 2u);

  const HistoryScan& surface = scans[0];
  EXPECT_EQ(surface.kind, scan_kind::kSurfaceScan);
  EXPECT_EQ(surface.time, 1700000000);
  EXPECT_EQ(surface.drive, drive);
  EXPECT_EQ(surface.durationMs, 65400);
  EXPECT_TRUE(surface.stopped);
  EXPECT_EQ(surface.sectors, kSectors);
  EXPECT_EQ(surface.goodSectors, 4000 - 12);
  EXPECT_EQ(surface.problemSectors, 10);
  EXPECT_EQ(surface.errorSectors, 2);
  EXPECT_EQ(surface.unreadSectors, 1000);
  EXPECT_EQ(surface.problemRanges, (std::vector<SectorRange>{{10, 19}}));
  EXPECT_EQ(surface.errorRanges, (std::vector<SectorRange>{{100, 101}}));
  EXPECT_EQ(surface.unreadRanges, (std::vector<SectorRange>{{4000, 4999}}));
  EXPECT_NE(surface.options.find("\"sectors_per_read\": 8"), std::string::npos);
  EXPECT_NE(surface.options.find("\"session\": \"last\""), std::string::npos);

  const HistoryScan& files = scans[1];
  EXPECT_EQ(files.kind, scan_kind::kFilesTest);
  EXPECT_EQ(files.time, 1700000000 + 65);  // after the surface scan
  EXPECT_EQ(files.durationMs, 1500);
  EXPECT_FALSE(files.stopped);
  EXPECT_EQ(files.filesTotal, 12);
  EXPECT_EQ(files.fileErrors, 1);
  EXPECT_EQ(files.damaged, (std::vector<DamagedFileRecord>{{"DOCS\\REPORT.PDF", false, 0, 0},
                                                           {"OLD: medium error", true, 0, 0}}));
  EXPECT_EQ(files.sectors, 0);
}

TEST(HistoryScansTest, AKeptScanGivesBackItsTableAndCurve) {
  const ScanRecord run = SampleRun();
  DiscHistory history(testing_support::NewFolder() + "/history.sqlite");
  HistoryScan kept = HistoryScansOf(run, ScanOptions{}, HistoryDrive{})[0];
  std::string error;
  ASSERT_TRUE(history.Record(testing_support::SampleDisc(1), kept, error)) << error;
  HistoryScan latest;
  bool found = false;
  ASSERT_TRUE(
      history.Latest(testing_support::SampleDisc(1), scan_kind::kSurfaceScan, latest, found, error))
      << error;
  ASSERT_TRUE(found);

  EXPECT_EQ(SectorTableOf(latest, kSectors), run.sectors);
  // The table of another session's size is none, and so is that of a scan
  // of a session chosen or of the whole disc, whose sectors count from the
  // disc's start, whatever its size.
  EXPECT_TRUE(SectorTableOf(latest, kSectors - 1).empty());
  for (const std::int32_t session : {kWholeDisc, 1}) {
    ScanOptions chosen;
    chosen.session = session;
    const HistoryScan other = HistoryScansOf(run, chosen, HistoryDrive{})[0];
    EXPECT_TRUE(SectorTableOf(other, kSectors).empty()) << other.options;
  }

  const SpeedCurve curve = SpeedCurveOf(latest);
  const SpeedCurve& original = run.speedCurve;
  ASSERT_EQ(curve.Groups(), original.Groups());
  ASSERT_EQ(curve.GroupSize(), original.GroupSize());
  for (std::int32_t group = 0; group < curve.Groups(); ++group) {
    SCOPED_TRACE(group);
    EXPECT_EQ(curve.HasProblem(group), original.HasProblem(group));
    EXPECT_EQ(curve.HasError(group), original.HasError(group));
    const std::int64_t first = std::int64_t{group} * curve.GroupSize();
    // Away from where the speed changes, the same speed to the kilobyte.
    if (std::abs(first - 2000) < 100 || std::abs(first - 4000) < 100 || first < 200) continue;
    const double speed = original.BytesPerSecond(group);
    if (speed < 0)
      EXPECT_LT(curve.BytesPerSecond(group), 0);
    else
      EXPECT_NEAR(curve.BytesPerSecond(group), speed, 1000);
  }
}

}  // namespace
