// What the scan page makes of a progress record: bar position, shares and
// the texts of the shares, the counts behind them, the speed and the end of
// a pass.
#include <gtest/gtest.h>

#include <string>

#include "core/report/ScanProgressText.h"

namespace {

std::string Ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

ProgressCtx_t Progress(std::int32_t total, std::int32_t current, std::int32_t problems = 0,
                       std::int32_t errors = 0) {
  ProgressCtx_t progress;
  progress.total = total;
  progress.current = current;
  progress.problems = problems;
  progress.errors = errors;
  return progress;
}

TEST(ScanProgressText, ProgressPositionNeverOverflows) {
  struct Case {
    std::int32_t total, current;
    int position;
  };
  for (const Case& c : {
           Case{0, 0, 0},                     // nothing to scan
           Case{3, 1, 33},                    // truncated
           Case{200, 200, 100},               //
           Case{40000000, 21474837, 53},      // current x 100 beyond 2^31
           Case{2147483647, 2147483646, 99},  // the largest counts
           Case{2147483647, 2147483647, 100},
       })
    EXPECT_EQ(ProgressPosition(Progress(c.total, c.current)), c.position)
        << c.current << " of " << c.total;
}

TEST(ScanProgressText, SharesAndTheirTexts) {
  struct Case {
    ProgressCtx_t progress;
    const char* good;
    const char* problem;
    const char* error;
  };
  ProgressCtx_t skipping = Progress(1000, 100, 1, 2);
  skipping.skipped = 47;  // passed over after the errors: none of the shares
  for (const Case& c : {
           Case{Progress(1000, 200, 3, 1), "98.0%", "1.5%", "0.5%"},
           // Nothing checked yet (or ever): no share is good.
           Case{Progress(1000, 0), "0.0%", "0.0%", "0.0%"},
           Case{Progress(0, 0), "0.0%", "0.0%", "0.0%"},
           Case{Progress(3, 3, 0, 3), "0.0%", "0.0%", "100.0%"},
           // Every read bad: the good share must not read "-0.0%".
           Case{Progress(3, 3, 1, 2), "0.0%", "33.3%", "66.7%"},
           Case{Progress(7, 7, 0, 1), "85.7%", "0.0%", "14.3%"},
           // A count that is not 0 never reads 0.0%, a part never 100.0%.
           Case{Progress(359000, 359000, 0, 43), ">99.9%", "0.0%", "<0.1%"},
           Case{Progress(359000, 26000, 0, 26), "99.9%", "0.0%", "0.1%"},
           Case{Progress(100000, 100000, 49, 0), ">99.9%", "<0.1%", "0.0%"},
           Case{Progress(100000, 100000, 50, 0), ">99.9%", "0.1%", "0.0%"},
           Case{Progress(100000, 100000, 51, 0), "99.9%", "0.1%", "0.0%"},
           Case{Progress(100000, 100000, 99951, 0), "<0.1%", ">99.9%", "0.0%"},
           Case{skipping, "94.3%", "1.9%", "3.8%"},
       }) {
    const ShareCounts counts = ShareCountsOf(c.progress);
    EXPECT_EQ(Ascii(ShareText(counts.good, counts.Checked())), c.good);
    EXPECT_EQ(Ascii(ShareText(counts.problem, counts.Checked())), c.problem);
    EXPECT_EQ(Ascii(ShareText(counts.error, counts.Checked())), c.error);
  }
}

TEST(ScanProgressText, SpeedInTheMediumsBaseSpeedAndInKibibytes) {
  const double cd = 153600, dvd = 1385000, bd = 4496000;
  EXPECT_EQ(Ascii(SpeedText(2048000, cd)), "13x (2000.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(128000, cd)), "0x (125.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(0, cd)), "0x (0.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(153600, cd)), "1x (150.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(2147483647, cd)), "13981x (2097152.0 kbps)");
  // A DVD's 1x is 1,385,000 bytes a second, a BD's 4,496,000.
  EXPECT_EQ(Ascii(SpeedText(22160000, dvd)), "16x (21640.6 kbps)");
  EXPECT_EQ(Ascii(SpeedText(1384999, dvd)), "0x (1352.5 kbps)");
  EXPECT_EQ(Ascii(SpeedText(53952000, bd)), "12x (52687.5 kbps)");
}

TEST(ScanProgressText, CountsBehindTheShares) {
  EXPECT_EQ(Ascii(ShareCountText(5, 2990, ScanPass::SurfaceScan)), "5 of 2990 sectors checked");
  EXPECT_EQ(Ascii(ShareCountText(0, 0, ScanPass::None)), "0 of 0 sectors checked");
  EXPECT_EQ(Ascii(ShareCountText(1, 3, ScanPass::FilesTest)), "1 of 3 files checked");
}

// A table of good, problem, error and not checked sectors.
SectorCounts Table(std::int64_t good, std::int64_t problem, std::int64_t error,
                   std::int64_t notChecked) {
  SectorCounts counts;
  counts.good = good;
  counts.problem = problem;
  counts.error = error;
  counts.notChecked = notChecked;
  return counts;
}

TEST(ScanProgressText, EndOfAPass) {
  struct Case {
    PassEnd end;
    const char* text;
  };
  const auto surface = [](ProgressCtx_t progress, SectorCounts table, std::int64_t firstUnread,
                          std::uint64_t microseconds, bool hasMedium = true) {
    return PassEnd{ScanPass::SurfaceScan, progress, table, firstUnread, microseconds, hasMedium};
  };
  // A files test and a copy count from their progress.
  const auto counted = [](ScanPass pass, ProgressCtx_t progress, std::uint64_t microseconds,
                          bool hasMedium = true) {
    return PassEnd{pass, progress, {}, -1, microseconds, hasMedium};
  };
  const auto files = [&](ProgressCtx_t progress, std::uint64_t microseconds, bool hasMedium = true,
                         std::int64_t unlistedFolders = 0) {
    PassEnd end = counted(ScanPass::FilesTest, progress, microseconds, hasMedium);
    end.unlistedFolders = unlistedFolders;
    return end;
  };
  // A range of 30001 sectors of a 100000-sector session, 3 errors with 10
  // sectors skipped after each: the skipped ones are not good, and the
  // sectors outside the range are not checked either, as the summary says.
  ProgressCtx_t skipping = Progress(30001, 30001, 0, 3);
  skipping.skipped = 30;
  const Case cases[] = {
      {surface(Progress(3000, 3000, 10, 5), Table(2985, 10, 5, 0), -1, 12999999),
       "Surface scan finished: 3000 sectors, 2985 good, 10 problem, 5 error, 0 not checked, "
       "in 0:00:12"},
      {surface(skipping, Table(29968, 0, 3, 69999 + 30), -1, 1000000),
       "Surface scan finished: 100000 sectors, 29968 good, 0 problem, 3 error, 70029 not checked, "
       "in 0:00:01"},
      // Stopped, or the medium taken out: the first sector not checked.
      {surface(Progress(1000, 51, 2, 1), Table(48, 2, 1, 949), 51, 1000000),
       "Surface scan stopped at sector 51: 1000 sectors, 48 good, 2 problem, 1 error, "
       "949 not checked, in 0:00:01"},
      // A range from sector 500 stopped after 51 sectors: the sector it names is
      // the table's, not the count.
      {surface(Progress(500, 51), Table(51, 0, 0, 949), 551, 0),
       "Surface scan stopped at sector 551: 1000 sectors, 51 good, 0 problem, 0 error, "
       "949 not checked, in 0:00:00"},
      {surface(Progress(1000, 0), Table(0, 0, 0, 1000), 0, 0),
       "Surface scan stopped at sector 0: 1000 sectors, 0 good, 0 problem, 0 error, "
       "1000 not checked, in 0:00:00"},
      {surface(Progress(2000000, 2000000), Table(2000000, 0, 0, 0), -1, 3723000000ull),
       "Surface scan finished: 2000000 sectors, 2000000 good, 0 problem, 0 error, "
       "0 not checked, in 1:02:03"},
      {files(Progress(3, 3, 0, 1), 2500000),
       "Files test finished: 3 files, 2 good, 0 problem, 1 error, 0 not checked, in 0:00:02"},
      {files(Progress(3, 1), 0),
       "Files test stopped: 3 files, 1 good, 0 problem, 0 error, 2 not checked, in 0:00:00"},
      {counted(ScanPass::CopyToImage, Progress(3000, 3000, 10, 5), 12000000),
       "Copy to image finished: 3000 sectors, 2985 copied at the first read, 10 copied after "
       "retries, 5 not copied, 0 not read, in 0:00:12"},
      {counted(ScanPass::CopyToImage, Progress(3000, 700, 0, 64), 1000000),
       "Copy to image stopped: 3000 sectors, 636 copied at the first read, 0 copied after "
       "retries, 64 not copied, 2300 not read, in 0:00:01"},
      // Nothing to check: why.
      {surface(Progress(0, 0), {}, -1, 0, false),
       "Surface scan finished: nothing was read, no medium in the drive"},
      {surface(Progress(0, 0), {}, -1, 0),
       "Surface scan finished: nothing was read, the last session has no sectors"},
      {files(Progress(0, 0), 0), "Files test finished: nothing was tested, no files found"},
      {files(Progress(0, 0), 0, false),
       "Files test finished: nothing was tested, no medium in the drive"},
      // Folders the files test could not list are counted; the surface scan
      // has none.
      {files(Progress(3, 3), 0, true, 1),
       "Files test finished: 3 files, 3 good, 0 problem, 0 error, 0 not checked, "
       "1 folder not listed, in 0:00:00"},
      {files(Progress(0, 0), 0, true, 2),
       "Files test finished: nothing was tested, 2 folders not listed"},
      {[&] {
         PassEnd end = surface(Progress(1, 1), Table(1, 0, 0, 0), -1, 0);
         end.unlistedFolders = 2;
         return end;
       }(),
       "Surface scan finished: 1 sectors, 1 good, 0 problem, 0 error, 0 not checked, in 0:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Ascii(PassEndText(c.end)), c.text);
}

}  // namespace
