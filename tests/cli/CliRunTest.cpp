// lumeter-cli run as a user runs it, on the fixture drives: its output, its
// JSON, its mapfile, its exit statuses and Ctrl-C.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <wrenlo/wrenlo.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <span>

#include "CliFixture.h"
#include "RawCdWriter.h"
#include "core/disc/DeviceContext.h"
#include "core/format/HexDump.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/MediaRows.h"
#include "core/report/Utf8.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Json = nlohmann::json;

namespace {

// The groups as lumeter-cli prints them with --json: those the page shows.
Json GroupsAsJson(const PropertyGroups& groups) {
  Json out = Json::array();
  for (const PropertyGroup& group : groups) {
    if (group.rows.empty()) continue;
    Json rows = Json::array();
    for (const PropertyRow& row : group.rows)
      rows.push_back({{"label", ToUtf8(row.label)}, {"value", ToUtf8(row.value)}});
    out.push_back({{"title", ToUtf8(group.title)}, {"rows", rows}});
  }
  return out;
}

// The sectors ddrescuelog lists in the given state ('+', '-', '?') of a map.
std::vector<std::int64_t> DdrescuelogList(const std::string& map, char state) {
  const ChildResult listed = RunChild(
      {"/usr/bin/ddrescuelog", "-b", "2048", std::string("--list-blocks=") + state, map}, {});
  EXPECT_EQ(listed.status, 0) << listed.err;
  std::vector<std::int64_t> sectors;
  for (const std::string& line : Lines(listed.out)) sectors.push_back(std::stoll(line));
  return sectors;
}

std::vector<std::int64_t> Sectors(
    std::initializer_list<std::pair<std::int64_t, std::int64_t>> ranges) {
  std::vector<std::int64_t> sectors;
  for (const auto& [first, last] : ranges)
    for (std::int64_t s = first; s <= last; ++s) sectors.push_back(s);
  return sectors;
}

// Why broken.img cannot be used, in full.
const std::string kBrokenReason = "broken.img: the image is smaller than one 2048-byte sector";

class CliRunTest : public CliTest {
 protected:
  // The engine of this process sees the same drives, so the pages' rows can
  // be made here and compared with what lumeter-cli prints.
  static void SetUpTestSuite() {
    CliTest::SetUpTestSuite();
    for (const auto& [name, value] : Drives()) ::setenv(name.c_str(), value.c_str(), 1);
    wrenlo::Initialize();
  }
};

TEST_F(CliRunTest, DevicesListsDrivesThenUnavailableEntries) {
  const ChildResult text = Cli({"devices"});
  EXPECT_EQ(text.status, 0) << text.err;
  const std::vector<std::string> lines = Lines(text.out);
  ASSERT_GE(lines.size(), 5u);
  const std::vector<std::string> last(lines.end() - 5, lines.end());
  EXPECT_THAT(last,
              ElementsAre(Drive("disc.iso") + " disc.iso", Drive("damaged.iso") + " damaged.iso",
                          Drive("plain.img") + " plain.img", Drive("slow.img") + " slow.img",
                          // Whole, where the engine's entry holds 49 characters.
                          "unavailable: " + Drive("broken.img") + " " + kBrokenReason));

  const Json json = Json::parse(Cli({"devices", "--json"}).out);
  const Json& broken = json.back();
  EXPECT_EQ(broken["drive"], Drive("broken.img"));
  EXPECT_EQ(broken["available"], false);
  EXPECT_EQ(broken["text"], (Drive("broken.img") + " " + kBrokenReason).substr(0, 48));
  EXPECT_EQ(broken["reason"], Drive("broken.img") + " " + kBrokenReason);
  EXPECT_EQ(broken["path"], folder + "/broken.img");
  const Json& slow = json[json.size() - 2];
  EXPECT_EQ(slow["text"], Drive("slow.img") + " slow.img");
  EXPECT_EQ(slow["name"], Drive("slow.img") + " slow.img");
  EXPECT_EQ(slow["path"], folder + "/slow.img");
  EXPECT_EQ(slow["available"], true);
}

TEST_F(CliRunTest, InfoAndMediaPrintThePagesRows) {
  for (const std::string image : {"disc.iso", "plain.img"}) {
    SCOPED_TRACE(image);
    const std::string drive = Drive(image);
    const DeviceContext context(static_cast<std::uint16_t>(drive[0]));

    const ChildResult info = Cli({"info", drive, "--json"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(Json::parse(info.out), GroupsAsJson(DeviceFeaturesRows(context)));
    const ChildResult media = Cli({"media", drive, "--json"});
    EXPECT_EQ(media.status, 0) << media.err;
    EXPECT_EQ(Json::parse(media.out), GroupsAsJson(MediaRows(&context)));
  }
}

TEST_F(CliRunTest, TextPagesHaveTitlesAndAlignedRows) {
  const ChildResult media = Cli({"media", Drive("disc.iso")});
  EXPECT_EQ(media.status, 0) << media.err;
  const std::vector<std::string> lines = Lines(media.out);
  EXPECT_EQ(lines.front(), "Physical Information");
  EXPECT_THAT(lines, testing::Contains("ISO File System"));
  EXPECT_THAT(lines, testing::Contains("Joliet File System"));
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex("  Volume Label +CLI_TEST")));
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex(
                         "  Creation Time: +[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} .*")));
  EXPECT_THAT(lines, testing::Contains("  Media ID"));  // an empty value

  // The first listed drive when none is named; capabilities read Yes or No.
  const ChildResult info = Cli({"info"});
  EXPECT_THAT(info.out, HasSubstr("Read Features\n  Reads CD-R "));
  EXPECT_THAT(Lines(info.out),
              testing::Contains(testing::MatchesRegex("  Reads DVD-ROM +(Yes|No)")));
}

TEST_F(CliRunTest, ScanJsonAndMapfileNameTheFaultySectors) {
  const std::string map = folder + "/plain.map";
  const ChildResult scan = Cli({"scan", Drive("plain.img"), "--json", "--mapfile", map});
  EXPECT_EQ(scan.status, 1) << scan.err;
  const Json summary = Json::parse(scan.out);
  EXPECT_EQ(summary["total"], 300);
  EXPECT_EQ(summary["good"], 300 - 11 - 6);
  EXPECT_EQ(summary["problems"], 11);
  EXPECT_EQ(summary["errors"], 6);
  EXPECT_EQ(summary["stopped"], false);
  EXPECT_EQ(summary["files_total"], 0);
  EXPECT_EQ(summary["file_errors"], 0);
  EXPECT_EQ(summary["problem_ranges"], Json::parse("[[10, 19], [100, 100]]"));
  EXPECT_EQ(summary["error_ranges"], Json::parse("[[150, 154], [200, 200]]"));
  EXPECT_EQ(summary["file_error_paths"], Json::array());
  // The log went to standard error, one line per problem or error sector.
  EXPECT_THAT(scan.err, HasSubstr("Surface scan started, start sector = 0, end sector = 299"));
  EXPECT_EQ(std::count(scan.err.begin(), scan.err.end(), '\n') >= 17, true);

  // GNU ddrescue's own tool reads the map: the error sectors are bad, all
  // the others finished.
  EXPECT_EQ(DdrescuelogList(map, '-'), Sectors({{150, 154}, {200, 200}}));
  EXPECT_EQ(DdrescuelogList(map, '+').size(), 300u - 6);
  EXPECT_TRUE(DdrescuelogList(map, '?').empty());
  EXPECT_THAT(ReadWholeFile(map), HasSubstr("\n0x00000000  0x0004B000  +\n"));
}

TEST_F(CliRunTest, ARawSectorWithABrokenEdcScansAsAnError) {
  // disc.iso as the raw Mode 1 sectors of a BIN/CUE image; one sector of
  // DIR\BIG.BIN has a flipped bit, which its EDC shows.
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  const auto sectors = static_cast<std::int32_t>(disc.size() / 2048);
  const std::int32_t broken = bigFileSector + 3;
  std::string bin;
  for (std::int32_t i = 0; i < sectors; ++i) {
    const auto raw =
        testing_support::Mode1Sector(static_cast<std::uint32_t>(i),
                                     reinterpret_cast<const std::uint8_t*>(disc.data()) + i * 2048);
    bin.append(raw.begin(), raw.end());
  }
  bin[static_cast<std::size_t>(broken) * 2352 + 500] ^= 0x04;
  WriteFile(folder + "/raw.bin", bin);
  WriteFile(folder + "/raw.cue",
            "FILE raw.bin BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");

  const ChildResult scan = RunChild({LUMETER_CLI, "scan", "--surface", "--files", "--json"},
                                    {{"WRENLO_IMAGES", folder + "/raw.cue"}, {"TZ", "UTC"}});
  EXPECT_EQ(scan.status, 1) << scan.err;
  const Json summary = Json::parse(scan.out);
  EXPECT_EQ(summary["total"], sectors);
  EXPECT_EQ(summary["error_ranges"], Json::array({Json::array({broken, broken})}));
  EXPECT_EQ(summary["problems"], 0);
  EXPECT_EQ(summary["file_error_paths"], Json::array({"/DIR/BIG.BIN"}));
}

TEST_F(CliRunTest, ScanTextShowsProgressLogAndSummary) {
  const ChildResult scan = Cli({"scan", Drive("plain.img")});
  EXPECT_EQ(scan.status, 1) << scan.err;
  EXPECT_EQ(scan.err, "");
  const std::vector<std::string> lines = Lines(scan.out);
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex(
                         "[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}  Sector problem")));
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex(".*  Sector error")));
  // Plain progress lines, one per percent, the last one at the end.
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex(
                         "Surface Scan\\. Sector 299 from 300  100%  [0-9]+x \\([0-9.]+ kbps\\)  "
                         "Good: 94\\.3%  Problem: 3\\.7%  Error: 2\\.0%")));
  // The entry the Scan page's log gets at the end of the pass.
  EXPECT_THAT(lines, testing::Contains(testing::MatchesRegex(
                         ".*  Surface scan finished: 300 sectors, 283 good, 11 problem, 6 error, "
                         "0 not checked, in [0-9]+:[0-9]{2}:[0-9]{2}")));
  EXPECT_THAT(scan.out,
              HasSubstr("Surface scan: 300 sectors, 283 good, 11 problem, 6 error, 0 not read\n"
                        "Problem sectors: 10-19, 100\n"
                        "Error sectors: 150-154, 200\n"));
}

TEST_F(CliRunTest, FilesTestNamesTheFileThatFails) {
  const ChildResult healthy = Cli({"scan", Drive("disc.iso"), "--surface", "--files", "--json"});
  EXPECT_EQ(healthy.status, 0) << healthy.err;
  const Json clean = Json::parse(healthy.out);
  EXPECT_EQ(clean["files_total"], 3);
  EXPECT_EQ(clean["file_errors"], 0);
  EXPECT_EQ(clean["errors"], 0);
  EXPECT_EQ(clean["good"], clean["total"]);

  const ChildResult damaged = Cli({"scan", Drive("damaged.iso"), "--files", "--json"});
  EXPECT_EQ(damaged.status, 1) << damaged.err;
  const Json found = Json::parse(damaged.out);
  EXPECT_EQ(found["total"], 0);  // no surface scan
  EXPECT_EQ(found["files_total"], 3);
  EXPECT_EQ(found["file_errors"], 1);
  EXPECT_EQ(found["file_error_paths"], Json::parse(R"(["/DIR/BIG.BIN"])"));
  EXPECT_THAT(damaged.err, HasSubstr("  File error: /DIR/BIG.BIN\n"));
}

// Sectors broken inside two files, the Joliet root directory and the volume
// descriptors: the summary names exactly those files and structures, with the
// sectors of each, in the JSON and after the sector ranges in the text. The
// structures' sectors fail the scan's five reads and then read once, so that
// the file system can still be walked after the scan.
TEST_F(CliRunTest, ScanNamesTheDamagedFilesAndStructures) {
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  // The first supplementary (Joliet) descriptor's root directory record
  // gives the directory's sector (bytes 158-161, little-endian).
  std::int64_t jolietRoot = -1;
  for (std::size_t sector = 17; jolietRoot < 0 && sector < 32; ++sector)
    if (disc[sector * 2048] == 2)
      jolietRoot = static_cast<std::uint8_t>(disc[sector * 2048 + 158]) |
                   static_cast<std::uint8_t>(disc[sector * 2048 + 159]) << 8;
  ASSERT_GT(jolietRoot, 17);
  const std::int64_t readme = FindSector(disc, "Read me.\n");
  const std::int64_t big = bigFileSector;
  WriteFile(folder + "/hit.iso", disc);
  WriteFile(folder + "/hit.iso.faults", std::to_string(big + 5) + "-" + std::to_string(big + 6) +
                                            " always\n" + std::to_string(big + 9) + " 2\n" +
                                            std::to_string(readme) + " always\n16 5\n" +
                                            std::to_string(jolietRoot) + " 5\n");
  const ChildProcess::Environment drive = {{"WRENLO_IMAGES", folder + "/hit.iso"}};

  // Without the history, whose look at the disc's descriptors before the scan
  // would read sector 16 too and so turn its faults' cycle.
  const ChildResult scan = RunChild({LUMETER_CLI, "scan", "--json", "--no-history"}, drive);
  EXPECT_EQ(scan.status, 1) << scan.err;
  const Json summary = Json::parse(scan.out);
  std::map<std::string, Json> files;
  for (const Json& file : summary.at("damaged_files")) files[file.at("path")] = file;
  ASSERT_EQ(files.size(), 2u) << scan.out;
  EXPECT_EQ(files.at("/DIR/BIG.BIN"),
            Json({{"path", "/DIR/BIG.BIN"},
                  {"problem_sectors", 1},
                  {"error_sectors", 2},
                  {"ranges", Json::array({Json::array({big + 5, big + 6}),
                                          Json::array({big + 9, big + 9})})}}));
  EXPECT_EQ(files.at("/README.TXT").at("ranges"), Json::array({Json::array({readme, readme})}));
  std::map<std::string, Json> structures;
  for (const Json& structure : summary.at("damaged_structures"))
    structures[structure.at("name")] = structure.at("ranges");
  EXPECT_EQ(structures.at("Primary volume descriptor"), Json::array({Json::array({16, 16})}));
  EXPECT_EQ(structures.at("Root directory (Joliet)"),
            Json::array({Json::array({jolietRoot, jolietRoot})}));
  std::set<std::int64_t> structureSectors;
  for (const auto& [name, ranges] : structures)
    for (const Json& range : ranges)
      for (std::int64_t s = range[0]; s <= range[1].get<std::int64_t>(); ++s)
        structureSectors.insert(s);
  EXPECT_EQ(structureSectors, (std::set<std::int64_t>{16, jolietRoot})) << scan.out;

  const ChildResult text = RunChild({LUMETER_CLI, "scan", "--no-history"}, drive);
  EXPECT_THAT(text.out, HasSubstr("Damaged files:\n"));
  EXPECT_THAT(text.out,
              HasSubstr("\n  /DIR/BIG.BIN: 1 problem, 2 error, sectors " + std::to_string(big + 5) +
                        "-" + std::to_string(big + 6) + ", " + std::to_string(big + 9) + "\n"));
  EXPECT_THAT(text.out, HasSubstr("Damaged file-system structures:\n  Primary volume descriptor: "
                                  "sectors 16\n"));
  EXPECT_LT(text.out.find("Error sectors: "), text.out.find("Damaged files:"));

  // A scan that hits nothing has both lists, empty.
  const Json clean = Json::parse(Cli({"scan", Drive("disc.iso"), "--json"}).out);
  EXPECT_EQ(clean.at("damaged_files"), Json::array());
  EXPECT_EQ(clean.at("damaged_structures"), Json::array());
}

// report's JSON holds what info, media and scan print; its HTML is
// well-formed, refers to nothing outside itself, and its map shows each
// sector's state where the map puts it (71 cells a row, 9 pixels apart).
TEST_F(CliRunTest, ReportHoldsThePagesAndTheScanAsTheOtherCommandsPrintThem) {
  const std::string drive = Drive("plain.img");
  const std::string json = folder + "/report.json";
  const ChildResult made = Cli({"report", drive, "--scan", "surface", "--json", json});
  EXPECT_EQ(made.status, 1) << made.err;  // as scan's: problems and errors found
  EXPECT_THAT(made.out, HasSubstr("Surface scan finished: 300 sectors"));
  const Json report = Json::parse(ReadWholeFile(json));
  EXPECT_EQ(report.at("drive"), Json::parse(Cli({"info", drive, "--json"}).out));
  EXPECT_EQ(report.at("medium"), Json::parse(Cli({"media", drive, "--json"}).out));
  EXPECT_EQ(report.at("scan"), Json::parse(Cli({"scan", drive, "--json"}).out));

  const std::string html = folder + "/report.html";
  EXPECT_EQ(Cli({"report", drive, "--scan", "surface", "--html", html}).status, 1);
  // Cell c of row r starts at (1 + 9c, 1 + 9r): sector 0 good, 10 problem,
  // 150 (row 2, cell 8) error; the margin white, the outline black.
  const ChildResult checked =
      RunChild({"/usr/bin/python3", LUMETER_CHECK_REPORT, html, "0,0=FFFFFF", "1,1=000000",
                "4,4=00FF00", "94,4=FFFF00", "76,22=FF0000", "77,23=FF0000"},
               {});
  EXPECT_EQ(checked.status, 0) << checked.err;
  const std::string text = ReadWholeFile(html);
  EXPECT_THAT(text, HasSubstr("<th scope=\"row\">Error sectors</th><td>150&ndash;154, 200</td>"));
  EXPECT_THAT(text, HasSubstr("<td>Problem</td><td>Sector problem</td>"));

  // Without --scan: the pages only, and the scan's place empty.
  EXPECT_EQ(Cli({"report", drive, "--json", json}).status, 0);
  EXPECT_TRUE(Json::parse(ReadWholeFile(json)).at("scan").is_null());

  // A target that cannot be written fails before any scan, and leaves nothing.
  const ChildResult refused =
      Cli({"report", drive, "--scan", "surface", "--html", folder + "/missing/r.html"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_THAT(refused.err, HasSubstr("cannot create a file in " + folder + "/missing"));
  EXPECT_EQ(refused.out, "");
  EXPECT_FALSE(std::filesystem::exists(folder + "/missing"));
}

TEST_F(CliRunTest, CtrlCStopsTheScanAndPrintsWhatWasFound) {
  const std::string map = folder + "/slow.map";
  std::filesystem::remove(map);
  ChildProcess child({LUMETER_CLI, "scan", Drive("slow.img"), "--json", "--mapfile", map},
                     Drives());
  ASSERT_TRUE(child.WaitForError("Surface scan started", std::chrono::seconds(30)));
  child.Signal(SIGINT);
  const ChildResult stopped = child.Finish(std::chrono::seconds(30));
  EXPECT_EQ(stopped.status, 1) << stopped.err;
  const Json summary = Json::parse(stopped.out);
  EXPECT_EQ(summary["stopped"], true);
  EXPECT_EQ(summary["total"], 20000);
  const std::int64_t read = summary["good"];
  EXPECT_GE(read, 1);
  EXPECT_LT(read, 20000);
  EXPECT_EQ(summary["unread"], 20000 - read);

  // The map holds the partial result: finished up to where the scan stopped,
  // non-tried after it, and the status line says the copy is not over.
  EXPECT_EQ(DdrescuelogList(map, '+').size(), static_cast<std::size_t>(read));
  EXPECT_EQ(DdrescuelogList(map, '?').size(), static_cast<std::size_t>(20000 - read));
  EXPECT_THAT(Lines(ReadWholeFile(map)),
              testing::Contains(testing::MatchesRegex("0x[0-9A-F]+ +\\? +1")));
}

TEST_F(CliRunTest, DumpPrintsTheViewersHexDump) {
  const ChildResult dump = Cli({"dump", Drive("disc.iso"), "16"});
  EXPECT_EQ(dump.status, 0) << dump.err;
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  const std::span<const std::uint8_t> sector(
      reinterpret_cast<const std::uint8_t*>(disc.data()) + 16 * 2048, 2048);
  std::string expected = ToUtf8(FormatHexDump(sector));
  std::erase(expected, '\r');
  EXPECT_EQ(dump.out, expected);
  EXPECT_EQ(Lines(dump.out).size(), 128u);
  EXPECT_THAT(dump.out, StartsWith("01 43 44 30 30 31 01 00"));
}

TEST_F(CliRunTest, SaveWritesTheSectorOrNothing) {
  const std::string saved = folder + "/out/sector.bin";
  std::filesystem::create_directories(folder + "/out");
  const ChildResult ok = Cli({"save", Drive("plain.img"), "42", saved});
  EXPECT_EQ(ok.status, 0) << ok.err;
  const std::string plain = ReadWholeFile(folder + "/plain.img");
  EXPECT_EQ(ReadWholeFile(saved), plain.substr(42 * 2048, 2048));

  // A sector that never reads: no file, not even a temporary one, and the
  // file saved before is left as it was.
  const ChildResult bad = Cli({"save", Drive("plain.img"), "150", saved});
  EXPECT_EQ(bad.status, 1);
  EXPECT_THAT(bad.err, HasSubstr("sector 150 of session 1 does not read: medium error "
                                 "(Sector read error (6))"));
  EXPECT_EQ(ReadWholeFile(saved), plain.substr(42 * 2048, 2048));
  const ChildResult badNew = Cli({"save", Drive("plain.img"), "150", folder + "/out/new.bin"});
  EXPECT_EQ(badNew.status, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder + "/out"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(CliRunTest, FilesListEveryFileWithItsSectors) {
  const ChildResult listed = Cli({"files", Drive("disc.iso"), "--json"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  const Json found = Json::parse(listed.out);
  EXPECT_EQ(found.at("session"), 1);
  EXPECT_EQ(found.at("file_system_errors"), Json::array());
  const Json& files = found.at("files");
  ASSERT_EQ(files.size(), 3u);
  std::map<std::string, Json> byPath;
  for (const Json& file : files) byPath[file.at("path").get<std::string>()] = file;
  ASSERT_TRUE(byPath.count("/DIR/BIG.BIN")) << listed.out;
  const Json& big = byPath.at("/DIR/BIG.BIN");
  EXPECT_EQ(big.at("type"), "file");
  EXPECT_EQ(big.at("session"), 1);
  ASSERT_EQ(big.at("extents").size(), 1u);
  const Json& extent = big.at("extents")[0];
  EXPECT_EQ(extent.at("session"), 1);
  const std::int64_t first = extent.at("first"), last = extent.at("last");
  EXPECT_EQ(first, bigFileSector);
  EXPECT_EQ(last - first + 1, (big.at("size").get<std::int64_t>() + 2047) / 2048);
  EXPECT_TRUE(byPath.count("/README.TXT"));
  EXPECT_TRUE(byPath.count("/DIR/SUB/NOTE.TXT"));

  // One session: no session named before each run.
  const ChildResult text = Cli({"files", Drive("disc.iso")});
  EXPECT_EQ(text.status, 0);
  EXPECT_THAT(text.out, HasSubstr("/DIR/BIG.BIN  " + big.at("size").dump() + " bytes  " +
                                  std::to_string(first) + "-" + std::to_string(last) + "\n"));
}

TEST_F(CliRunTest, WhoHasNamesTheFileOrStructureOfASector) {
  const std::string disc = Drive("disc.iso");
  const struct {
    std::int64_t sector;
    std::string expected;
  } cases[] = {
      {bigFileSector + 17, "/DIR/BIG.BIN (file, byte " + std::to_string(17 * 2048) + ")\n"},
      {16, "Primary volume descriptor (structure)\n"},
      {3, "System area (structure)\n"},
      {19, "free\n"},
  };
  for (const auto& c : cases) {
    const ChildResult who = Cli({"whohas", disc, std::to_string(c.sector)});
    EXPECT_EQ(who.status, 0) << who.err;
    EXPECT_EQ(who.out, c.expected) << c.sector;
  }
}

TEST_F(CliRunTest, BadArgumentsAndDrivesGiveOneLineAndStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string plain = Drive("plain.img");
  // A mapfile of a disc one sector larger than plain.img.
  WriteFile(folder + "/larger.map", "0x0 +\n0x0 0x96000 +\n0x96000 0x800 ?\n");
  const Case cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"info", "DD"}, "'DD' is not a drive letter"},
      {{"info", "Q:"}, "no drive Q:"},
      {{"media", Drive("broken.img")},
       "cannot be used: " + Drive("broken.img") + " " + kBrokenReason + "\n"},
      {{"scan", "--fast"}, "unknown option '--fast' for scan"},
      {{"scan", "--files", "--mapfile", "m"}, "--mapfile needs the surface scan"},
      {{"scan", plain, "--mapfile", folder + "/missing/m"},
       "mapfile: cannot create a file in " + folder + "/missing: No such file or directory"},
      {{"scan", "--mapfile", "--json"}, "--mapfile needs a value"},
      {{"info", "--image"}, "--image needs a value"},
      {{"info", "--image", folder + "/missing.iso"}, "lumeter-cli: missing.iso: no such file\n"},
      {{"help", "--image", "x.iso"}, "unknown option '--image' for help"},
      {{"scan", "--mapfile", "-"}, "--mapfile needs a file name, not '-'"},
      {{"scan", "--sectors-per-read", "3"},
       "bad --sectors-per-read '3' (1, 2, 4, 8, 16, 32 or 64)"},
      {{"scan", "--sectors-per-read=128"}, "bad --sectors-per-read '128'"},
      {{"scan", "--attempts", "0"}, "bad --attempts '0' (1 to 20)"},
      {{"scan", "--attempts", "21"}, "bad --attempts '21' (1 to 20)"},
      {{"scan", "--skip-after-error", "-1"}, "bad --skip-after-error '-1' (0 to 1000000 sectors)"},
      {{"scan", "--first", "x"}, "bad --first sector 'x' (must be 0 to 4294967295)"},
      {{"scan", plain, "--first", "3000000000"},
       "sector 3000000000 is outside session 1 (sectors 0 to 299)"},
      {{"whohas", plain, "300"}, "sector 300 is outside session 1 (sectors 0 to 299)"},
      {{"dump", plain, "4294967295"}, "sector 4294967295 is outside session 1 (sectors 0 to 299)"},
      {{"scan", plain, "--retry-from", folder + "/larger.map"},
       "retry-from: " + folder +
           "/larger.map: the map of another disc: it covers 616448 bytes (301 sectors), this "
           "disc 614400 bytes (300 sectors)"},
      {{"scan", "--last", "1", "--first", "2"}, "--last sector is before --first sector"},
      {{"scan", "--speed", "fast"}, "bad --speed 'fast' (max, or 1 to 100 times the base speed)"},
      {{"scan", "--speed", "0"}, "bad --speed '0'"},
      {{"scan", "--speed-csv", "-"}, "--speed-csv needs a file name, not '-'"},
      {{"scan", "--files", "--attempts", "3"}, "--attempts needs the surface scan (add --surface)"},
      {{"scan", plain, "--first", "300"}, "sector 300 is outside session 1 (sectors 0 to 299)"},
      {{"scan", plain, "--last", "400"}, "sector 400 is outside session 1 (sectors 0 to 299)"},
      {{"scan", plain, "--retry-from", folder + "/missing.map"},
       "retry-from: cannot read " + folder + "/missing.map: No such file or directory"},
      {{"scan", plain, "--retry-from", folder},
       "retry-from: cannot read " + folder + ": not a regular file"},
      {{"scan", plain, "--retry-from", folder + "/disc.iso"},
       "retry-from: " + folder + "/disc.iso: line 1: not the mapfile's status line"},
      {{"save", plain, "16"}, "save needs a SECTOR and a FILE"},
      {{"dump", plain}, "dump needs a SECTOR"},
      {{"help", "scan", "extra"}, "too many arguments for help: 'extra'"},
      {{"save", plain, "0", folder}, "cannot write " + folder + ": Is a directory"},
      {{"dump"}, "dump needs a SECTOR"},
      {{"whohas"}, "whohas needs a SECTOR"},
      {{"files", plain, "--surface"}, "unknown option '--surface' for files"},
      {{"files", plain, "--session", "2"}, "has no session 2 (sessions 1 to 1)"},
      {{"whohas", plain, "300"}, "sector 300 is outside session 1 (sectors 0 to 299)"},
      {{"dump", plain, "-1"}, "bad sector number '-1'"},
      {{"dump", plain, "300"}, "sector 300 is outside session 1 (sectors 0 to 299)"},
      {{"dump", plain, "0", "--session", "2"}, "has no session 2 (sessions 1 to 1)"},
      {{"save", plain, "0", folder + "/missing/x.bin"},
       "cannot create a file in " + folder + "/missing: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ChildResult result = Cli(c.args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(Lines(result.err), ElementsAre(StartsWith("lumeter-cli: ")));
    EXPECT_THAT(result.err, HasSubstr(c.message));
  }
}

// --image: listed after every other drive, in order; the first is the drive
// when none is given.
TEST_F(CliRunTest, ImagesGivenWithImageAreDrivesAfterTheOthers) {
  const std::string first = folder + "/first given.iso";
  const std::string second = folder + "/second given.iso";
  std::filesystem::copy_file(folder + "/plain.img", first,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(folder + "/disc.iso", second,
                             std::filesystem::copy_options::overwrite_existing);
  const std::string after = std::string(1, static_cast<char>(Drive("broken.img")[0] + 1)) + ":";
  const std::string next = std::string(1, static_cast<char>(after[0] + 1)) + ":";

  const ChildResult devices = Cli({"devices", "--image", first, "--image=" + second});
  EXPECT_EQ(devices.status, 0) << devices.err;
  const std::vector<std::string> lines = Lines(devices.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
              ElementsAre(after + " first given.iso", next + " second given.iso",
                          StartsWith("unavailable: " + Drive("broken.img"))));

  // The first image is the drive: the same dump as of the drive it copies
  // (whose faults file it has not).
  const ChildResult dumped = Cli({"dump", "--image", first, "--image", second, "30"});
  EXPECT_EQ(dumped.status, 0) << dumped.err;
  EXPECT_EQ(dumped.out, Cli({"dump", Drive("plain.img"), "30"}).out);
  // A drive given is kept.
  EXPECT_EQ(Cli({"dump", next, "16", "--image", first, "--image", second}).out,
            Cli({"dump", Drive("disc.iso"), "16"}).out);
}

TEST_F(CliRunTest, EveryCommandHasHelp) {
  const ChildResult overview = Cli({"--help"});
  EXPECT_EQ(overview.status, 0);
  for (const std::string command :
       {"devices", "info", "media", "scan", "dump", "save", "files", "whohas"}) {
    SCOPED_TRACE(command);
    EXPECT_THAT(overview.out, HasSubstr("\n  " + command + " "));
    const ChildResult help = Cli({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, StartsWith("Usage: lumeter-cli " + command));
    EXPECT_EQ(Cli({"help", command}).out, help.out);
  }
}

}  // namespace
