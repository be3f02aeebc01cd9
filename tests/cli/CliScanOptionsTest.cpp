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

// --session N or all on a disc of two sessions (300 sectors, then 200 where a
// disc writer puts the second session, 11400 sectors on): the sectors count
// from the disc's start, the sessions' sectors alone are read, and the start
// line says so; a session the disc does not have is refused.
TEST_F(CliScanOptionsTest, ScanOfOneSessionOrTheWholeDisc) {
  WriteFile(folder + "/first.bin", std::string(300 * 2048, 'a'));
  WriteFile(folder + "/second.bin", std::string(200 * 2048, 'b'));
  const std::string cue = folder + "/two.cue";
  WriteFile(cue,
            "REM SESSION 01\nFILE first.bin BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
            "REM SESSION 02\nFILE second.bin BINARY\n TRACK 02 MODE1/2048\n  INDEX 01 00:00:00\n");
  constexpr int kSecond = 300 + 11400;
  WriteFile(cue + ".faults", "5 always\n" + std::to_string(kSecond + 10) + " always\n");
  const auto scan = [&](const std::vector<std::string>& options) {
    std::vector<std::string> args = {LUMETER_CLI, "scan", "--json", "--attempts", "1"};
    args.insert(args.end(), options.begin(), options.end());
    return RunChild(args, {{"WRENLO_IMAGES", cue}, {"TZ", "UTC"}});
  };
  struct Case {
    std::vector<std::string> options;
    long long total, notRead;
    std::string errors;
    std::string startLine;
  };
  const std::string second = std::to_string(kSecond);
  const std::string end = std::to_string(kSecond + 199);
  const Case cases[] = {
      {{}, 200, 0, "[[10, 10]]", "start sector = 0, end sector = 199"},
      {{"--session", "1"},
       300,
       0,
       "[[5, 5]]",
       "start sector = 0, end sector = 299, session 1 of 2, sectors counted from the disc's start"},
      {{"--session", "2"},
       kSecond + 200,
       kSecond,
       ("[[" + std::to_string(kSecond + 10) + ", " + std::to_string(kSecond + 10) + "]]").c_str(),
       ""},
      {{"--session=all"}, kSecond + 200, kSecond - 300, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    const ChildResult result = scan(c.options);
    EXPECT_EQ(result.status, 1) << result.err;
    const Json summary = Json::parse(result.out, nullptr, false);
    ASSERT_FALSE(summary.is_discarded()) << result.out << result.err;
    EXPECT_EQ(summary["total"], c.total);
    EXPECT_EQ(summary["not_read"], c.notRead);
    if (!c.errors.empty()) {
      EXPECT_EQ(summary["error_ranges"], Json::parse(c.errors));
    }
    if (!c.startLine.empty()) {
      EXPECT_THAT(result.err, HasSubstr("Surface scan started, " + c.startLine));
    }
  }
  const ChildResult all = scan({"--session", "all"});
  EXPECT_THAT(all.err, HasSubstr("Surface scan started, start sector = 0, end sector = " + end +
                                 ", whole disc (sessions 1 to 2), sectors counted from the "
                                 "disc's start"));
  EXPECT_EQ(Json::parse(all.out)["error_ranges"],
            Json::parse("[[5, 5], [" + std::to_string(kSecond + 10) + ", " +
                        std::to_string(kSecond + 10) + "]]"));
  EXPECT_THAT(scan({"--session", "2"}).err,
              HasSubstr("start sector = " + second + ", end sector = " + end + ", session 2 of 2"));

  const ChildResult missing = scan({"--session", "3"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_THAT(missing.err, HasSubstr("no session 3 on the medium (sessions 1 to 2)"));
  EXPECT_EQ(scan({"--session", "none"}).status, 2);
}

}  // namespace
