// lumeter-cli scan's options on plain.img and its faults file: every read
// size finds what one sector at a time finds, and attempts, skip, range and
// retry give their own defined results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

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

// The log's end-of-pass line counts what the summary counts, whatever the
// options left unread: skipped sectors, those outside the range, those kept
// from an earlier scan.
TEST_F(CliScanOptionsTest, TheEndOfThePassCountsAsTheSummary) {
  const std::string map = folder + "/before-retry.map";
  ASSERT_EQ(Cli({"scan", Drive("plain.img"), "--mapfile", map, "--attempts", "1"}).status, 1);
  const std::vector<std::vector<std::string>> optionSets = {
      {},
      {"--skip-after-error", "2", "--first", "100", "--last", "260"},
      {"--skip-after-error", "3", "--sectors-per-read", "8"},
      {"--retry-from", map, "--first", "5"},
  };
  const std::regex line(
      "Surface scan finished: ([0-9]+) sectors, ([0-9]+) good, ([0-9]+) problem, ([0-9]+) error, "
      "([0-9]+) not checked");
  for (const std::vector<std::string>& options : optionSets) {
    SCOPED_TRACE(testing::PrintToString(options));
    std::string log;
    const Json summary = Scan(options, &log);
    std::smatch found;
    ASSERT_TRUE(std::regex_search(log, found, line)) << log;
    EXPECT_EQ(std::stoll(found[1]), summary["total"].get<long long>());
    EXPECT_EQ(std::stoll(found[2]), summary["good"].get<long long>());
    EXPECT_EQ(std::stoll(found[3]), summary["problems"].get<long long>());
    EXPECT_EQ(std::stoll(found[4]), summary["errors"].get<long long>());
    EXPECT_EQ(std::stoll(found[5]), summary["not_read"].get<long long>());
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
