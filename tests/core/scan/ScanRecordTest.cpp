#include <gtest/gtest.h>

#include "core/scan/ScanRecord.h"

namespace {

TEST(ScanRecordTest, CountsEachStateOfTheTable) {
  ScanRecord record;
  record.sectors = {0, 1, 1, 2, 3, 3, 3, 0, 1};
  const SectorCounts counts = record.Counts();
  EXPECT_EQ(counts.notChecked, 2);
  EXPECT_EQ(counts.good, 3);
  EXPECT_EQ(counts.problem, 1);
  EXPECT_EQ(counts.error, 3);
}

// Each drive keeps its latest scan only; a new scan starts from nothing.
TEST(ScanHistoryTest, KeepsTheLatestScanOfEachDrive) {
  ScanHistory history;
  EXPECT_EQ(history.Last(u'D'), nullptr);
  ScanRecord& first = history.Begin(u'D', true, false, TimeValue{100});
  first.sectors = {1, 1};
  first.log.push_back({LogKind::Error, TimeValue{101}, u"Sector error"});
  first.ended = true;
  history.Begin(u'E', false, true, TimeValue{200});
  ASSERT_NE(history.Last(u'D'), nullptr);
  EXPECT_EQ(history.Last(u'D')->sectors.size(), 2u);

  const ScanRecord& again = history.Begin(u'D', false, true, TimeValue{300});
  EXPECT_EQ(history.Last(u'D'), &again);
  EXPECT_TRUE(again.sectors.empty());
  EXPECT_TRUE(again.log.empty());
  EXPECT_FALSE(again.ended);
  EXPECT_FALSE(again.surfaceScan);
  EXPECT_TRUE(again.filesTest);
  EXPECT_EQ(again.driveLetter, u'D');
  EXPECT_EQ(again.start, TimeValue{300});
  EXPECT_EQ(again.end, TimeValue{300});
  ASSERT_NE(history.Last(u'E'), nullptr);
  EXPECT_EQ(history.Last(u'E')->start, TimeValue{200});
}

}  // namespace
