// The front end's pieces that need no drive: the command line, JSON strings,
// the summary's ranges and the ddrescue map.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "cli/CommandLine.h"
#include "cli/Output.h"
#include "core/report/Json.h"
#include "core/report/ScanSummary.h"
#include "core/rescue/DdrescueMap.h"

using ::testing::HasSubstr;

namespace {

TEST(CommandLineTest, ReadsEachCommandsArguments) {
  struct Case {
    std::vector<std::string> args;
    Verb verb;
    char16_t drive;
    std::int64_t sector;
    std::string file;
  };
  const Case cases[] = {
      {{"devices"}, Verb::Devices, 0, 0, ""},
      {{"-v"}, Verb::Version, 0, 0, ""},
      {{"info", "e"}, Verb::Info, u'E', 0, ""},
      {{"media", "E:"}, Verb::Media, u'E', 0, ""},
      {{"scan", "--json", "d"}, Verb::Scan, u'D', 0, ""},
      {{"dump", "16"}, Verb::Dump, 0, 16, ""},
      {{"dump", "F", "4294967295"}, Verb::Dump, u'F', 4294967295, ""},
      // Options every command takes may come before it.
      {{"--image", "a.iso", "--image=b.iso", "whohas", "E", "7"}, Verb::WhoHas, u'E', 7, ""},
      {{"save", "16", "out.bin"}, Verb::Save, 0, 16, "out.bin"},
      {{"save", "D:", "16", "--", "-out.bin"}, Verb::Save, u'D', 16, "-out.bin"},
      {{"save", "d", "16", "-"}, Verb::Save, u'D', 16, "-"},
      {{"history", "e"}, Verb::History, u'E', 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine command;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.args, command, error)) << error;
    EXPECT_EQ(command.verb, c.verb);
    EXPECT_EQ(command.drive, c.drive);
    EXPECT_EQ(command.sector, c.sector);
    EXPECT_EQ(command.outputFile, c.file);
  }
}

TEST(CommandLineTest, ScanOptionsAndValues) {
  CommandLine command;
  std::string error;
  ASSERT_TRUE(
      ParseCommandLine({"scan", "--files", "--surface", "--mapfile=a.map"}, command, error));
  EXPECT_TRUE(command.files);
  EXPECT_TRUE(command.surface);
  EXPECT_EQ(command.mapFile, "a.map");
  EXPECT_EQ(command.scanOptions, ScanOptions{});
  ASSERT_TRUE(ParseCommandLine(
      {"scan", "--sectors-per-read=32", "--attempts", "20", "--skip-after-error", "0", "--first",
       "7", "--last", "7", "--speed", "4", "--retry-from", "r.map", "--speed-csv", "s.csv"},
      command, error))
      << error;
  EXPECT_EQ(command.scanOptions.sectorsPerRead, 32);
  EXPECT_EQ(command.scanOptions.attempts, 20);
  EXPECT_EQ(command.scanOptions.skipAfterError, 0);
  EXPECT_EQ(command.scanOptions.firstSector, 7);
  EXPECT_EQ(command.scanOptions.lastSector, 7);
  EXPECT_EQ(command.scanOptions.speed, 4);
  EXPECT_TRUE(command.scanOptions.retry);
  EXPECT_EQ(command.retryFrom, "r.map");
  EXPECT_EQ(command.speedCsv, "s.csv");
  ASSERT_TRUE(ParseCommandLine({"scan", "--speed", "max"}, command, error));
  EXPECT_EQ(command.scanOptions.speed, 0);
  ASSERT_TRUE(ParseCommandLine({"dump", "3", "--session", "2"}, command, error));
  EXPECT_EQ(command.session, 2);
  // The images, in order, wherever they stand.
  ASSERT_TRUE(ParseCommandLine({"--image", "a.iso", "--image=b.iso", "media", "--image", "c.iso"},
                               command, error))
      << error;
  EXPECT_EQ(command.verb, Verb::Media);
  EXPECT_EQ(command.images, (std::vector<std::string>{"a.iso", "b.iso", "c.iso"}));
  ASSERT_TRUE(ParseCommandLine({"--image", "a.iso", "--help"}, command, error));
  EXPECT_EQ(command.verb, Verb::Help);
  // A sector beyond what the engine reads is kept as given for messages.
  ASSERT_TRUE(ParseCommandLine({"scan", "--first", "3000000000"}, command, error));
  EXPECT_EQ(command.firstSector, 3000000000);
  EXPECT_EQ(command.scanOptions.firstSector, 2147483647);
  ASSERT_TRUE(ParseCommandLine({"help", "scan"}, command, error));
  EXPECT_EQ(command.verb, Verb::Scan);
  EXPECT_TRUE(command.help);
  // Help wins over arguments that would not do.
  ASSERT_TRUE(ParseCommandLine({"save", "--help"}, command, error));
  EXPECT_TRUE(command.help);
}

// report's --scan chooses the passes; --html or --json names the file.
TEST(CommandLineTest, ReportOptions) {
  const struct {
    std::vector<std::string> args;
    bool surface, files, json;
    std::string file;
  } cases[] = {
      {{"report", "--html", "r.html"}, false, false, false, "r.html"},
      {{"report", "E", "--scan", "surface", "--json=r.json"}, true, false, true, "r.json"},
      {{"report", "--scan=files", "--html", "r"}, false, true, false, "r"},
      {{"report", "--json", "r.json", "--scan", "both"}, true, true, true, "r.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine command;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.args, command, error)) << error;
    EXPECT_EQ(command.verb, Verb::Report);
    EXPECT_EQ(command.surface, c.surface);
    EXPECT_EQ(command.files, c.files);
    EXPECT_EQ(command.json, c.json);
    EXPECT_EQ(command.outputFile, c.file);
  }
}

TEST(CommandLineTest, RefusesWhatIsNotACommand) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"devices", "D"}, "too many arguments for devices: 'D'"},
      {{"info", "D", "E"}, "too many arguments for info: 'E'"},
      {{"info", "1"}, "'1' is not a drive letter"},
      {{"info", "--session", "1"}, "unknown option '--session' for info"},
      {{"scan", "--json", "--json"}, "--json given twice"},
      {{"scan", "--json=yes"}, "--json takes no value"},
      {{"scan", "--mapfile"}, "--mapfile needs a value"},
      {{"scan", "--mapfile="}, "--mapfile needs a file name"},
      {{"dump", "D", "x"}, "bad sector number 'x' (must be 0 to 4294967295)"},
      {{"dump", "4294967296"}, "bad sector number '4294967296' (must be 0 to 4294967295)"},
      {{"scan", "--first", "4294967296"},
       "bad --first sector '4294967296' (must be 0 to 4294967295)"},
      {{"scan", "--bogus"},
       "unknown option '--bogus' for scan (lumeter-cli scan --help lists its options)"},
      {{"--bogus", "scan"}, "unknown option '--bogus' (lumeter-cli scan --help lists its options)"},
      {{"--json", "media"}, "--json goes after the command: lumeter-cli media --json"},
      {{"--image", "a.iso"}, "no command given"},
      {{"--image"}, "--image needs a value"},
      {{"--image=", "media"}, "--image needs a file name"},
      {{"dump", "1", "--session", "0"}, "bad session number '0'"},
      {{"save", "D", "16"}, "save needs a SECTOR and a FILE"},
      {{"save", "16"}, "save needs a SECTOR and a FILE"},
      {{"help", "nothing"}, "unknown command 'nothing'"},
      {{"--verbose"},
       "unknown option '--verbose' (lumeter-cli COMMAND --help lists a command's options)"},
      {{"report"}, "report needs --html FILE or --json FILE"},
      {{"report", "--html", "a", "--json", "b"}, "report takes one of --html and --json"},
      {{"report", "--scan", "all", "--html", "a"}, "bad --scan 'all' (surface, files or both)"},
      {{"report", "--html"}, "--html needs a value"},
      {{"report", "--surface", "--html", "a"}, "unknown option '--surface' for report"},
      {{"history", "--all", "D"}, "--all takes no DRIVE"},
      {{"history", "--forget", "7", "D"}, "--forget takes no DRIVE"},
      {{"history", "--all", "--forget", "3"}, "history takes one of --all and --forget"},
      {{"history", "--forget", "0"}, "bad scan id '0' (1 or more)"},
      {{"history", "--forget"}, "--forget needs a value"},
      {{"history", "--no-history"}, "unknown option '--no-history' for history"},
      {{"dump", "1", "--no-history"}, "unknown option '--no-history' for dump"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    CommandLine command;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, command, error));
    EXPECT_THAT(error, HasSubstr(message));
  }
}

TEST(JsonTest, StringsAreEscapedUtf8) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"plain", "plain"},
      {u"quote \" backslash \\ path A\\B", "quote \" backslash \\ path A\\B"},
      {u"line\nfeed\ttab\x01", "line\nfeed\ttab\x01"},
      {u"Gr\u00FC\u00DFe \u65E5\u672C",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE6\x97\xA5\xE6\x9C\xAC"},
      {u"clef \U0001D11E", "clef \xF0\x9D\x84\x9E"},
      {std::u16string(u"lone ") + char16_t(0xD800) + u"x", "lone \xEF\xBF\xBDx"},
  };
  for (const auto& [text, utf8] : cases) {
    std::string json;
    AppendJsonString(json, text);
    EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), utf8) << json;
  }
}

TEST(ScanResultTest, CountsAndJoinsRanges) {
  // 0 NotChecked, 1 Good, 2 Problem, 3 Error
  const SurfaceCounts counts = CountSurface({2, 2, 1, 3, 3, 3, 2, 1, 3, 0, 0});
  EXPECT_EQ(counts.total, 11);
  EXPECT_EQ(counts.good, 2);
  EXPECT_EQ(counts.problems, 3);
  EXPECT_EQ(counts.errors, 4);
  EXPECT_EQ(counts.unread, 2);
  EXPECT_EQ(counts.problemRanges, (std::vector<SectorRange>{{0, 1}, {6, 6}}));
  EXPECT_EQ(counts.errorRanges, (std::vector<SectorRange>{{3, 5}, {8, 8}}));
}

TEST(ScanResultTest, ExitStatusIsZeroOnlyWhenEverythingRead) {
  ScanResult clean;
  clean.surface = CountSurface({1, 1, 1});
  clean.filesTotal = clean.filesChecked = 2;
  EXPECT_EQ(ScanExitStatus(clean), 0);
  ScanResult problem = clean;
  problem.surface = CountSurface({1, 2, 1});
  EXPECT_EQ(ScanExitStatus(problem), 1);
  ScanResult fileError = clean;
  fileError.fileErrorPaths = {u"A.TXT"};
  EXPECT_EQ(ScanExitStatus(fileError), 1);
  ScanResult stopped = clean;
  stopped.stopped = true;
  EXPECT_EQ(ScanExitStatus(stopped), 1);
}

TEST(DdrescueMapTest, CoversTheMediumUpToTheSessionsEnd) {
  DdrescueMapFacts facts;
  facts.startSector = 100;
  facts.finished = false;
  facts.comment = "test";
  // Good, problem (finished too), error, then sectors the stop left.
  const std::string map = DdrescueMap({1, 1, 2, 3, 3, 1, 0, 0}, facts);
  EXPECT_EQ(map,
            "# Mapfile. Created by test\n"
            "# current_pos  current_status  current_pass\n"
            "0x00035000     ?               1\n"
            "#      pos        size  status\n"
            "0x00000000  0x00032000  ?\n"
            "0x00032000  0x00001800  +\n"
            "0x00033800  0x00001000  -\n"
            "0x00034800  0x00000800  +\n"
            "0x00035000  0x00001000  ?\n");
}

TEST(DdrescueMapTest, ReadByDdrescuelog) {
  char folder[] = "/tmp/lumeter-map-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/scan.map";
  DdrescueMapFacts facts;
  facts.startSector = 16;
  facts.comment = "test";
  std::ofstream(path) << DdrescueMap({1, 3, 3, 1, 2, 1}, facts);
  const ChildResult bad = RunChild({"/usr/bin/ddrescuelog", "-b", "2048", "-l-", path}, {});
  EXPECT_EQ(bad.status, 0) << bad.err;
  EXPECT_EQ(bad.out, "17\n18\n");
  const ChildResult untried = RunChild({"/usr/bin/ddrescuelog", "-b", "2048", "-l?", path}, {});
  std::string beforeSession;
  for (int sector = 0; sector < 16; ++sector) beforeSession += std::to_string(sector) + "\n";
  EXPECT_EQ(untried.out, beforeSession);
  std::filesystem::remove_all(folder);
}

}  // namespace
