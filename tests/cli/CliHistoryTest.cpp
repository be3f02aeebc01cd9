// The scan history from the command line: scans kept and listed per disc
// (the same disc in two drives is one), every disc, forgetting, --no-history,
// the report's history, two scans writing at once, and a history that cannot
// be written costing the scan nothing but one warning.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "core/history/SqliteDatabase.h"

using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

class CliHistoryTest : public CliTest {
 protected:
  // lumeter-cli with its history in data.
  static ChildResult In(const std::string& data, const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMETER_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess::Environment env = Drives();
    env["XDG_DATA_HOME"] = data;
    return RunChild(argv, env);
  }
  static Json History(const std::string& data, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"history", "--json"};
    all.insert(all.end(), args.begin(), args.end());
    const ChildResult listed = In(data, all);
    EXPECT_EQ(listed.status, 0) << listed.err;
    return Json::parse(listed.out);
  }
  static std::vector<std::string> Warnings(const std::string& err) {
    std::vector<std::string> warnings;
    for (const std::string& line : Lines(err))
      if (line.find("warning") != std::string::npos) warnings.push_back(line);
    return warnings;
  }
};

TEST_F(CliHistoryTest, KeepsEachScanOfADiscInAnyDriveAndForgetsOne) {
  const std::string data = folder + "/kept";
  EXPECT_EQ(In(data, {"scan", Drive("disc.iso")}).status, 0);
  // damaged.iso is the same disc in another drive, with a sector that fails.
  EXPECT_EQ(In(data, {"scan", Drive("damaged.iso"), "--surface", "--files"}).status, 1);
  EXPECT_EQ(In(data, {"scan", Drive("plain.img")}).status, 1);
  EXPECT_EQ(In(data, {"scan", Drive("plain.img"), "--no-history"}).status, 1);

  const Json disc = History(data, {Drive("disc.iso")});
  EXPECT_EQ(History(data, {Drive("damaged.iso")}), disc);
  EXPECT_EQ(disc["disc"]["label"], "CLI_TEST");
  EXPECT_EQ(disc["disc"]["file_system"], "ISO 9660");
  const Json& scans = disc["scans"];
  ASSERT_EQ(scans.size(), 3u);
  EXPECT_EQ(scans[0]["kind"], "surface scan");
  EXPECT_THAT(scans[0]["drive"]["image"].get<std::string>(), EndsWith("/disc.iso"));
  EXPECT_EQ(scans[0]["error_sectors"], 0);
  EXPECT_EQ(scans[1]["kind"], "surface scan");
  EXPECT_THAT(scans[1]["drive"]["image"].get<std::string>(), EndsWith("/damaged.iso"));
  EXPECT_EQ(scans[1]["error_sectors"], 1);
  EXPECT_EQ(scans[1]["error_ranges"], Json::parse("[[" + std::to_string(damagedSector) + ", " +
                                                  std::to_string(damagedSector) + "]]"));
  EXPECT_EQ(scans[1]["damaged_files"], 1);
  EXPECT_THAT(scans[1]["damaged"][0]["path"].get<std::string>(), HasSubstr("BIG.BIN"));
  EXPECT_EQ(scans[2]["kind"], "files test");
  EXPECT_EQ(scans[2]["file_errors"], 1);

  // plain.img has no file system: known by its size; kept once.
  const Json all = History(data, {"--all"});
  ASSERT_EQ(all["discs"].size(), 2u);
  const Json& plain = all["discs"][0]["label"] == "" ? all["discs"][0] : all["discs"][1];
  EXPECT_EQ(plain["file_system"], "none");
  EXPECT_EQ(plain["scans"], 1);
  EXPECT_EQ(plain["latest_scan"]["problem_sectors"], 11);

  const ChildResult text = In(data, {"history", Drive("disc.iso")});
  EXPECT_THAT(text.out,
              ContainsRegex("Disc: CLI_TEST, ISO 9660, created [^\n]*, [0-9]+ sectors\n"));
  EXPECT_EQ(Lines(text.out).size(), 5u) << text.out;  // the disc, the heading, three scans

  // The history is no output's to replace.
  const std::string kept = data + "/Corvane/Lumeter/history.sqlite";
  const ChildResult over = In(data, {"scan", Drive("plain.img"), "--mapfile", kept});
  EXPECT_EQ(over.status, 2);
  EXPECT_THAT(over.err, HasSubstr("is the scan history"));
  EXPECT_EQ(History(data, {Drive("disc.iso")}), disc);

  const std::string first = std::to_string(scans[0]["id"].get<int>());
  const ChildResult forgot = In(data, {"history", "--forget", first});
  EXPECT_EQ(forgot.status, 0) << forgot.err;
  EXPECT_EQ(forgot.out, "Forgot scan " + first + ".\n");
  EXPECT_EQ(History(data, {Drive("disc.iso")})["scans"].size(), 2u);
  const ChildResult again = In(data, {"history", "--forget", first});
  EXPECT_EQ(again.status, 2);
  EXPECT_THAT(again.err, HasSubstr("no scan " + first + " in the history"));
}

TEST_F(CliHistoryTest, AHistoryThatCannotBeWrittenCostsTheScanNothingButOneWarning) {
  const ChildResult reference =
      In(folder + "/unused", {"scan", Drive("plain.img"), "--json", "--no-history"});
  ASSERT_EQ(reference.status, 1);
  struct Case {
    const char* what;
    std::function<void(const std::string& data)> make;
    const char* warning;
    bool kept;  // in a new file
  };
  const std::string file = "/Corvane/Lumeter/history.sqlite";
  const Case cases[] = {
      {"a data folder that is a file",
       [](const std::string& data) { WriteFile(data, "not a folder"); },
       "the scan's history was not kept: ", false},
      {"a damaged history file",
       [&](const std::string& data) {
         std::filesystem::create_directories(data + "/Corvane/Lumeter");
         WriteFile(data + file, "this is no database, and never was one");
       },
       "was damaged; it was moved to ", true},
      {"a history of a newer release",
       [&](const std::string& data) {
         std::filesystem::create_directories(data + "/Corvane/Lumeter");
         SqliteDatabase(data + file, 0).Execute("PRAGMA user_version = 1000");
       },
       "newer release", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string data = folder + "/" + c.what;
    c.make(data);
    const ChildResult scan = In(data, {"scan", Drive("plain.img"), "--json"});
    EXPECT_EQ(scan.status, reference.status);
    EXPECT_EQ(Json::parse(scan.out), Json::parse(reference.out));
    const std::vector<std::string> warnings = Warnings(scan.err);
    ASSERT_EQ(warnings.size(), 1u) << scan.err;
    EXPECT_THAT(warnings[0], HasSubstr("lumeter-cli: warning: "));
    EXPECT_THAT(warnings[0], HasSubstr(c.warning));
    if (c.kept) {
      EXPECT_EQ(History(data, {Drive("plain.img")})["scans"].size(), 1u);
    }
  }
}

TEST_F(CliHistoryTest, TwoScansRecordAtOnce) {
  const std::string data = folder + "/together";
  ChildProcess::Environment env = Drives();
  env["XDG_DATA_HOME"] = data;
  ChildProcess first({LUMETER_CLI, "scan", Drive("plain.img"), "--json"}, env);
  ChildProcess second({LUMETER_CLI, "scan", Drive("plain.img"), "--json"}, env);
  for (ChildProcess* scan : {&first, &second}) {
    const ChildResult result = scan->Finish(std::chrono::seconds(60));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Warnings(result.err).empty()) << result.err;
  }
  EXPECT_EQ(History(data, {Drive("plain.img")})["scans"].size(), 2u);
}

TEST_F(CliHistoryTest, TheReportHoldsTheDiscsHistory) {
  const std::string data = folder + "/reported";
  const std::string json = folder + "/history-report.json";
  const std::string html = folder + "/history-report.html";
  ASSERT_EQ(In(data, {"report", Drive("plain.img"), "--scan", "surface", "--json", json}).status,
            1);
  ASSERT_EQ(In(data, {"report", Drive("plain.img"), "--scan", "surface", "--html", html}).status,
            1);
  const Json first = Json::parse(ReadWholeFile(json));
  EXPECT_EQ(first["history"]["scans"].size(), 1u);
  EXPECT_EQ(first["history"]["scans"][0]["error_sectors"], first["scan"]["errors"]);
  const std::string page = ReadWholeFile(html);
  EXPECT_THAT(page, HasSubstr("<h2>History</h2>"));
  EXPECT_THAT(page, HasSubstr("2 scans kept"));
  EXPECT_THAT(page, HasSubstr("Problem and error sectors over time"));

  ASSERT_EQ(
      In(data, {"report", Drive("plain.img"), "--scan", "surface", "--no-history", "--json", json})
          .status,
      1);
  EXPECT_TRUE(Json::parse(ReadWholeFile(json))["history"].is_null());
  EXPECT_EQ(History(data, {Drive("plain.img")})["scans"].size(), 2u);
}

}  // namespace
