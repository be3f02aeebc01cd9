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
  for (const Case& c : {
           Case{Progress(1000, 200, 3, 1), "98.0%", "1.5%", "0.5%"},
           // Nothing checked yet (or ever): no share is good.
           Case{Progress(1000, 0), "0.0%", "0.0%", "0.0%"},
           Case{Progress(0, 0), "0.0%", "0.0%", "0.0%"},
           Case{Progress(3, 3, 0, 3), "0.0%", "0.0%", "100.0%"},
           // Every read bad: the good share must not read "-0.0%".
           Case{Progress(3, 3, 1, 2), "0.0%", "33.3%", "66.7%"},
           Case{Progress(7, 7, 0, 1), "85.7%", "0.0%", "14.3%"},
       }) {
    const ScanShares shares = SharesOf(c.progress);
    EXPECT_EQ(Ascii(PercentText(shares.good)), c.good);
    EXPECT_EQ(Ascii(PercentText(shares.problem)), c.problem);
    EXPECT_EQ(Ascii(PercentText(shares.error)), c.error);
  }
}

TEST(ScanProgressText, SpeedAsMultipleOfSingleSpeedAndInKibibytes) {
  EXPECT_EQ(Ascii(SpeedText(2048000)), "13x (2000.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(128000)), "0x (125.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(0)), "0x (0.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(153600)), "1x (150.0 kbps)");
  EXPECT_EQ(Ascii(SpeedText(2147483647)), "13981x (2097152.0 kbps)");
}

TEST(ScanProgressText, CountsBehindTheShares) {
  EXPECT_EQ(Ascii(ShareCountText(5, 2990, ScanPass::SurfaceScan)), "5 of 2990 sectors checked");
  EXPECT_EQ(Ascii(ShareCountText(0, 0, ScanPass::None)), "0 of 0 sectors checked");
  EXPECT_EQ(Ascii(ShareCountText(1, 3, ScanPass::FilesTest)), "1 of 3 files checked");
}

TEST(ScanProgressText, EndOfAPass) {
  struct Case {
    ScanPass pass;
    ProgressCtx_t progress;
    std::uint64_t microseconds;
    bool hasMedium;
    const char* text;
    std::int64_t unlistedFolders = 0;
  };
  const Case cases[] = {
      {ScanPass::SurfaceScan, Progress(3000, 3000, 10, 5), 12999999, true,
       "Surface scan finished: 3000 sectors, 2985 good, 10 problem, 5 error, 0 not checked, "
       "in 0:00:12"},
      // Stopped, or the medium taken out: the first sector not checked.
      {ScanPass::SurfaceScan, Progress(1000, 51, 2, 1), 1000000, true,
       "Surface scan stopped at sector 51: 1000 sectors, 48 good, 2 problem, 1 error, "
       "949 not checked, in 0:00:01"},
      {ScanPass::SurfaceScan, Progress(1000, 0), 0, true,
       "Surface scan stopped at sector 0: 1000 sectors, 0 good, 0 problem, 0 error, "
       "1000 not checked, in 0:00:00"},
      {ScanPass::SurfaceScan, Progress(2000000, 2000000), 3723000000ull, true,
       "Surface scan finished: 2000000 sectors, 2000000 good, 0 problem, 0 error, "
       "0 not checked, in 1:02:03"},
      {ScanPass::FilesTest, Progress(3, 3, 0, 1), 2500000, true,
       "Files test finished: 3 files, 2 good, 0 problem, 1 error, 0 not checked, in 0:00:02"},
      {ScanPass::FilesTest, Progress(3, 1), 0, true,
       "Files test stopped: 3 files, 1 good, 0 problem, 0 error, 2 not checked, in 0:00:00"},
      {ScanPass::CopyToImage, Progress(3000, 3000, 10, 5), 12000000, true,
       "Copy to image finished: 3000 sectors, 2985 copied at the first read, 10 copied after "
       "retries, 5 not copied, 0 not read, in 0:00:12"},
      {ScanPass::CopyToImage, Progress(3000, 700, 0, 64), 1000000, true,
       "Copy to image stopped: 3000 sectors, 636 copied at the first read, 0 copied after "
       "retries, 64 not copied, 2300 not read, in 0:00:01"},
      // Nothing to check: why.
      {ScanPass::SurfaceScan, Progress(0, 0), 0, false,
       "Surface scan finished: nothing was read, no medium in the drive"},
      {ScanPass::SurfaceScan, Progress(0, 0), 0, true,
       "Surface scan finished: nothing was read, the last session has no sectors"},
      {ScanPass::FilesTest, Progress(0, 0), 0, true,
       "Files test finished: nothing was tested, no files found"},
      {ScanPass::FilesTest, Progress(0, 0), 0, false,
       "Files test finished: nothing was tested, no medium in the drive"},
      // Folders the files test could not list are counted; the surface scan
      // has none.
      {ScanPass::FilesTest, Progress(3, 3), 0, true,
       "Files test finished: 3 files, 3 good, 0 problem, 0 error, 0 not checked, "
       "1 folder not listed, in 0:00:00",
       1},
      {ScanPass::FilesTest, Progress(0, 0), 0, true,
       "Files test finished: nothing was tested, 2 folders not listed", 2},
      {ScanPass::SurfaceScan, Progress(1, 1), 0, true,
       "Surface scan finished: 1 sectors, 1 good, 0 problem, 0 error, 0 not checked, in 0:00:00",
       2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Ascii(PassEndText(c.pass, c.progress, c.microseconds, c.hasMedium,
                                c.unlistedFolders)),
              c.text);
}

}  // namespace
