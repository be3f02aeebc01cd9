// What the scan page makes of a progress record: bar position, shares and
// the texts of the shares and the speed.
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
           Case{Progress(1000, 0), "100.0%", "0.0%", "0.0%"},  // first report of a pass
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

}  // namespace
