// lumeter-cli scan's options on plain.img and its faults file: every read
// size finds what one sector at a time finds, and attempts, skip, range and
// retry give their own defined results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliFixture.h"

using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

class CliScanOptionsTest : public CliTest {
 protected:
  // The JSON summary of a surface scan of plain.img with options.
  static Json Scan(const std::vector<std::string>& options, std::string* log = nullptr) {
    std::vector<std::string> args = {"scan", Drive("plain.img"), "--json"};
    args.insert(args.end(), options.begin(), options.end());
    const ChildResult scan = Cli(args);
    EXPECT_EQ(scan.status, 1) << scan.err;  // plain.img has problems and errors
    if (log != nullptr) *log = scan.err;
    return Json::parse(scan.out);
  }
};

TEST_F(CliScanOptionsTest, EveryReadSizeFindsWhatOneSectorAtATimeFinds) {
  const Json reference = Scan({});
  ASSERT_EQ(reference["problem_ranges"], Json::parse("[[10, 19], [100, 100]]"));
  // Sector 200 fails five times before a read succeeds: all five attempts
  // fail, whatever failed read of several sectors came first.
  ASSERT_EQ(reference["error_ranges"], Json::parse("[[150, 154], [200, 200]]"));
  EXPECT_EQ(reference["not_read"], 0);
  for (const char* size : {"2", "4", "8", "16", "32", "64"}) {
    SCOPED_TRACE(std::string("sectors per read ") + size);
    EXPECT_EQ(Scan({"--sectors-per-read", size}), reference);
  }
}

TEST_F(CliScanOptionsTest, AttemptsSkipRangeAndRetry) {
  // A mapfile that marks sectors 0 to 99 finished and the rest not tried.
  const std::string map = folder + "/first-hundred.map";
  WriteFile(map,
            "# Mapfile. Created by hand\n0x00000000     ?               1\n"
            "#      pos        size  status\n0x00000000  0x00032000  +\n"
            "0x00032000  0x00064000  ?\n");
  struct Case {
    std::vector<std::string> options;
    const char* problems;
    const char* errors;
    int notRead;
    const char* logLine;  // in the log, when set
  };
  const Case cases[] = {
      {{"--attempts", "3"}, "[[10, 19]]", "[[100, 100], [150, 154], [200, 200]]", 0, nullptr},
      {{"--attempts", "20", "--sectors-per-read", "8"},
       "[[10, 19], [100, 100], [200, 200]]",
       "[[150, 154]]",
       0,
       nullptr},
      {{"--skip-after-error", "2", "--sectors-per-read", "16"},
       "[[10, 19], [100, 100]]",
       "[[150, 150], [153, 153], [200, 200]]",
       6,
       "Skipped sectors 151 to 152 after an error"},
      {{"--first", "100", "--last", "199", "--sectors-per-read", "32"},
       "[[100, 100]]",
       "[[150, 154]]",
       200,
       "Surface scan started, start sector = 100, end sector = 199"},
      {{"--retry-from", map, "--sectors-per-read", "64"},
       "[[100, 100]]",
       "[[150, 154], [200, 200]]",
       0,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    std::string log;
    const Json summary = Scan(c.options, &log);
    EXPECT_EQ(summary["problem_ranges"], Json::parse(c.problems));
    EXPECT_EQ(summary["error_ranges"], Json::parse(c.errors));
    EXPECT_EQ(summary["not_read"], c.notRead);
    if (c.logLine != nullptr) {
      EXPECT_THAT(log, HasSubstr(c.logLine));
    }
  }
}

// The map of one scan retried: the sectors it found bad are read again, the
// finished ones kept.
TEST_F(CliScanOptionsTest, RetryFromTheMapOfAnEarlierScan) {
  const std::string map = folder + "/earlier.map";
  ASSERT_EQ(Cli({"scan", Drive("plain.img"), "--mapfile", map, "--attempts", "1"}).status, 1);
  std::string log;
  const Json summary = Scan({"--retry-from", map}, &log);
  // Read again: 10-19, 100, 150-154 and 200; the first three now problems.
  EXPECT_EQ(summary["problem_ranges"], Json::parse("[[10, 19], [100, 100]]"));
  EXPECT_EQ(summary["error_ranges"], Json::parse("[[150, 154], [200, 200]]"));
  EXPECT_EQ(summary["good"], 300 - 17);
}

// The sectors outside the range were not to be read: a range that reads
// whole is a success, and the summary still counts the rest as not read.
TEST_F(CliScanOptionsTest, ARangeThatReadsWholeIsASuccess) {
  const ChildResult scan =
      Cli({"scan", Drive("plain.img"), "--json", "--first", "20", "--last", "99"});
  EXPECT_EQ(scan.status, 0) << scan.err;
  const Json summary = Json::parse(scan.out);
  EXPECT_EQ(summary["good"], 80);
  EXPECT_EQ(summary["not_read"], 220);
  EXPECT_EQ(summary["stopped"], false);
}

TEST_F(CliScanOptionsTest, SpeedCsvHoldsEveryGroupRead) {
  const std::string csv = folder + "/speed.csv";
  Scan({"--speed-csv", csv, "--sectors-per-read", "16", "--last", "199"});
  const std::vector<std::string> lines = Lines(ReadWholeFile(csv));
  ASSERT_EQ(lines.size(), 1u + 200u);  // one sector a group on this small disc
  EXPECT_EQ(lines[0], "first_sector,last_sector,position_gb,speed_mb_s,speed_x");
  EXPECT_THAT(lines[1], testing::StartsWith("0,0,0.000,"));
  // An error sector delivered nothing.
  EXPECT_THAT(lines[151], testing::StartsWith("150,150,0.000,0.000,0.00"));
  EXPECT_THAT(lines[200], testing::StartsWith("199,199,0.000,"));
}

}  // namespace
