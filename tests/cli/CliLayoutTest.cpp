// files, whohas and the scan's damage lists on discs that other tools made:
// an ISO 9660 + Joliet disc from genisoimage (its Joliet label left empty),
// Rock Ridge names with '\' and control characters and links from xorriso,
// a two-session disc, an audio disc, and a folder that cannot be listed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

std::uint32_t Le32At(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint8_t>(bytes[at + 2]) << 16 |
         std::uint32_t{static_cast<std::uint8_t>(bytes[at + 3])} << 24;
}

// isoinfo -l's first sector of the directory at path ("/DIR"), from its "."
// record.
std::uint32_t IsoinfoDirectory(const std::string& image, const std::string& tree,
                               const std::string& path) {
  const ChildResult listed = RunChild({"/usr/bin/isoinfo", tree, "-l", "-i", image}, {});
  std::istringstream lines(listed.out);
  bool inside = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Directory listing of ", 0) == 0)
      inside = line == "Directory listing of " + path + "/";
    if (inside && line.size() > 3 && line.compare(line.size() - 3, 3, " . ") == 0)
      return static_cast<std::uint32_t>(std::stoul(line.substr(line.find('[') + 1)));
  }
  throw std::runtime_error("isoinfo lists no " + path);
}

class CliLayoutTest : public CliTest {
 protected:
  static void SetUpTestSuite() {
    CliTest::SetUpTestSuite();
    const std::string tree = folder + "/layout-tree";
    std::filesystem::create_directories(tree + "/DOCS");
    std::filesystem::create_directories(tree + "/back");
    WriteFile(tree + "/DOCS/A.TXT", "a\n");
    WriteFile(tree + "/README.TXT", std::string(5000, 'r'));
    // genisoimage without -V leaves the Joliet volume label empty.
    MustRun({"/usr/bin/genisoimage", "-quiet", "-J", "-V", "", "-o", folder + "/joliet.iso", tree});

    WriteFile(tree + "/back\\slash.txt", "backslash\n");
    WriteFile(tree + "/back/inner.txt", "inner\n");
    WriteFile(tree + "/new\nline\x1b[2J.txt", "control\n");
    std::filesystem::create_symlink("back/inner.txt", tree + "/link");
    MustRun({"/usr/bin/xorriso", "-no_rc", "-outdev", folder + "/linked.iso", "-joliet", "on",
             "-map", tree, "/", "-commit"});

    // Two sessions, the second written by xorriso where a disc writer puts
    // it after the first (lead-out, lead-in, pregap).
    const std::string first = folder + "/first.iso", second = folder + "/second.iso";
    MustRun(
        {"/usr/bin/xorriso", "-no_rc", "-as", "mkisofs", "-quiet", "-o", first, folder + "/tree"});
    firstSectors = static_cast<std::uint32_t>(std::filesystem::file_size(first) / 2048);
    secondStart = firstSectors + 6750 + 4500 + 150;
    std::filesystem::create_directories(folder + "/later");
    WriteFile(folder + "/later/LATER.TXT", "later\n");
    MustRun({"/usr/bin/xorriso", "-no_rc", "-as", "mkisofs", "-quiet", "-C",
             "0," + std::to_string(secondStart), "-M", first, "-o", second, folder + "/later"});
    WriteFile(folder + "/two.cue",
              "REM SESSION 01\nFILE first.iso BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
              "REM SESSION 02\nFILE second.iso BINARY\n TRACK 02 MODE1/2048\n"
              "  INDEX 01 00:00:00\n");

    WriteFile(folder + "/audio.bin", std::string(300 * 2352, '\x5a'));
    WriteFile(folder + "/audio.cue",
              "FILE audio.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
              " TRACK 02 AUDIO\n  INDEX 00 00:01:00\n  INDEX 01 00:01:10\n");
    WriteFile(folder + "/zeros.img", std::string(40 * 2048, '\0'));
  }

  static ChildResult CliOn(const std::string& image, const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMETER_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunChild(argv, {{"WRENLO_IMAGES", folder + "/" + image}, {"TZ", "UTC"}});
  }

  static std::uint32_t firstSectors, secondStart;
};

std::uint32_t CliLayoutTest::firstSectors = 0;
std::uint32_t CliLayoutTest::secondStart = 0;

// The issue of an ISO 9660 + Joliet disc: the files test reads Joliet, and
// the primary tree's path table and root directory were "free" when damaged.
TEST_F(CliLayoutTest, TheOtherTreesDamagedStructuresAreNamed) {
  const std::string disc = ReadWholeFile(folder + "/joliet.iso");
  const std::uint32_t pathTable = Le32At(disc, 16 * 2048 + 140);
  const std::uint32_t root = Le32At(disc, 16 * 2048 + 158);
  WriteFile(folder + "/hit-joliet.iso", disc);
  WriteFile(folder + "/hit-joliet.iso.faults",
            std::to_string(pathTable) + " always\n" + std::to_string(root) + " always\n");

  const ChildResult scan = CliOn("hit-joliet.iso", {"scan", "--json"});
  EXPECT_EQ(scan.status, 1) << scan.err;
  const Json summary = Json::parse(scan.out);
  EXPECT_EQ(summary.at("damaged_files"), Json::array());
  std::map<std::string, Json> structures;
  for (const Json& structure : summary.at("damaged_structures"))
    structures[structure.at("name")] = structure.at("ranges");
  EXPECT_EQ(structures.at("Path table (ISO 9660)"),
            Json::array({Json::array({pathTable, pathTable})}));
  EXPECT_EQ(structures.at("Root directory (ISO 9660)"), Json::array({Json::array({root, root})}));
  EXPECT_EQ(structures.size(), 2u) << scan.out;

  const ChildResult who = CliOn("hit-joliet.iso", {"whohas", std::to_string(pathTable)});
  EXPECT_EQ(who.out, "Path table (ISO 9660) (structure)\n");
  // The files test's tree is whole.
  const ChildResult files = CliOn("hit-joliet.iso", {"files"});
  EXPECT_EQ(files.status, 0) << files.err;
  EXPECT_THAT(files.out, HasSubstr("/DOCS/A.TXT  2 bytes  "));
  EXPECT_THAT(files.out, HasSubstr("/README.TXT  5000 bytes  "));

  // The empty Joliet label shows empty; so do the dates genisoimage leaves
  // unset, instead of "00.00.1900 00:00:00".
  const Json media = Json::parse(CliOn("joliet.iso", {"media", "--json"}).out);
  for (const Json& group : media) {
    if (group.at("title") != "Joliet File System") continue;
    EXPECT_EQ(group.at("rows")[0], Json({{"label", "Volume Label"}, {"value", ""}}));
    EXPECT_EQ(group.at("rows")[3], Json({{"label", "Expiration Time:"}, {"value", ""}}));
  }
}

TEST_F(CliLayoutTest, RockRidgeNamesAndLinksAsLinuxShowsThem) {
  const ChildResult text = CliOn("linked.iso", {"files"});
  EXPECT_EQ(text.status, 0) << text.err;
  const std::vector<std::string> lines = Lines(text.out);
  // A name's control characters cannot start a line or drive the terminal.
  EXPECT_THAT(lines, testing::Contains(testing::StartsWith("/new\\nline\\e[2J.txt  8 bytes ")));
  EXPECT_THAT(lines, testing::Contains(testing::StartsWith("/back\\slash.txt  10 bytes ")));
  EXPECT_THAT(lines, testing::Contains(testing::StartsWith("/back/inner.txt  6 bytes ")));
  EXPECT_THAT(lines, testing::Contains("/link -> back/inner.txt"));
  EXPECT_EQ(text.out.find('\x1b'), std::string::npos);

  const ChildResult json = CliOn("linked.iso", {"files", "--json"});
  const Json listed = Json::parse(json.out);
  std::map<std::string, Json> byPath;
  for (const Json& file : listed.at("files")) byPath[file.at("path")] = file;
  EXPECT_EQ(byPath.at("/link"),
            Json({{"path", "/link"}, {"type", "symlink"}, {"target", "back/inner.txt"}}));
  EXPECT_EQ(byPath.at("/new\nline\x1b[2J.txt").at("type"), "file");
  const std::int64_t backslash = byPath.at("/back\\slash.txt").at("extents")[0].at("first");
  EXPECT_EQ(CliOn("linked.iso", {"whohas", std::to_string(backslash)}).out,
            "/back\\slash.txt (file, byte 0)\n");

  // The files test reads every file and no link.
  const Json scan = Json::parse(CliOn("linked.iso", {"scan", "--files", "--json"}).out);
  EXPECT_EQ(scan.at("files_total"), 5);
  EXPECT_EQ(scan.at("file_errors"), 0);
}

TEST_F(CliLayoutTest, EveryRunWithItsSession) {
  // The last session's tree holds the first one's files: their sectors are
  // numbered in the first session, never below the second one's start.
  const ChildResult text = CliOn("two.cue", {"files"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.find("-1"), std::string::npos) << text.out;
  const Json json = Json::parse(CliOn("two.cue", {"files", "--json"}).out);
  EXPECT_EQ(json.at("session"), 2);
  std::map<std::string, Json> byPath;
  for (const Json& file : json.at("files")) byPath[file.at("path")] = file;
  ASSERT_EQ(byPath.size(), 4u) << json.dump();
  const Json& big = byPath.at("/DIR/BIG.BIN");
  EXPECT_EQ(big.at("session"), 1);
  const std::int64_t first = big.at("extents")[0].at("first");
  const std::int64_t last = big.at("extents")[0].at("last");
  EXPECT_EQ(big.at("extents")[0].at("session"), 1);
  EXPECT_LT(last, std::int64_t{firstSectors});
  EXPECT_EQ(byPath.at("/LATER.TXT").at("session"), 2);
  EXPECT_LT(byPath.at("/LATER.TXT").at("extents")[0].at("first").get<std::int64_t>(),
            std::int64_t{secondStart});
  EXPECT_THAT(text.out,
              HasSubstr("/DIR/BIG.BIN  " + big.at("size").dump() + " bytes  (session 1) " +
                        std::to_string(first) + "-" + std::to_string(last) + "\n"));

  // whohas and files take the session, as dump does.
  EXPECT_EQ(CliOn("two.cue", {"whohas", "--session", "1", std::to_string(first + 1)}).out,
            "/DIR/BIG.BIN (file, byte 2048)\n");
  EXPECT_EQ(CliOn("two.cue", {"whohas", "--session", "1", "16"}).out,
            "Primary volume descriptor (session 1) (structure)\n");
  EXPECT_EQ(CliOn("two.cue", {"whohas", "16"}).out, "Primary volume descriptor (structure)\n");
  const Json earlier = Json::parse(CliOn("two.cue", {"files", "--session", "1", "--json"}).out);
  EXPECT_EQ(earlier.at("session"), 1);
  EXPECT_EQ(earlier.at("files").size(), 3u);
}

TEST_F(CliLayoutTest, ADiscWithoutAFileSystem) {
  const ChildResult files = CliOn("audio.cue", {"files"});
  EXPECT_EQ(files.status, 1);
  EXPECT_EQ(files.out, "");
  EXPECT_EQ(files.err, "lumeter-cli: no file system on this disc\n");
  // Track 2 starts at 85 (its index 01): sector 100 is 15 frames into it.
  EXPECT_EQ(CliOn("audio.cue", {"whohas", "100"}).out, "Audio track 2, 00:00:15\n");
  EXPECT_EQ(CliOn("audio.cue", {"whohas", "0"}).out, "Audio track 1, 00:00:00\n");
  EXPECT_EQ(CliOn("zeros.img", {"whohas", "17"}).out, "Data track 1 (no file system)\n");
  EXPECT_EQ(CliOn("zeros.img", {"files", "--json"}).status, 1);
}

TEST_F(CliLayoutTest, AFolderThatCannotBeListedIsNamedAndFailsTheCommand) {
  const std::string disc = ReadWholeFile(folder + "/disc.iso");
  const std::uint32_t dir = IsoinfoDirectory(folder + "/disc.iso", "-R", "/DIR");
  WriteFile(folder + "/unlisted.iso", disc);
  WriteFile(folder + "/unlisted.iso.faults", std::to_string(dir) + " always\n");

  const ChildResult text = CliOn("unlisted.iso", {"files"});
  EXPECT_EQ(text.status, 1);
  EXPECT_THAT(Lines(text.out), ElementsAre(testing::StartsWith("/README.TXT  9 bytes ")));
  EXPECT_EQ(text.err, "lumeter-cli: folder left out: /DIR: medium error\n");
  const ChildResult json = CliOn("unlisted.iso", {"files", "--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(Json::parse(json.out).at("file_system_errors"), Json::array({"/DIR: medium error"}));

  // The files test says the same, and counts the folder in its last line.
  const ChildResult scan = CliOn("unlisted.iso", {"scan", "--files", "--json"});
  EXPECT_EQ(scan.status, 1);
  EXPECT_EQ(Json::parse(scan.out).at("file_system_errors"), Json::array({"/DIR: medium error"}));
  EXPECT_THAT(scan.err, HasSubstr("File system error: /DIR: medium error\n"));
  EXPECT_THAT(scan.err, HasSubstr(", 1 folder not listed, in "));
}

}  // namespace
