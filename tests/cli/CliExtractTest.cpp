// lumeter-cli extract on images made here, agreed with xorriso's own
// extraction of the same image: the same files and bytes, hostile names made
// safe and listed; and, on a damaged image, the zeros of each incomplete file
// where the scan's damaged-files list says its sectors failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "CliFixture.h"

using ::testing::HasSubstr;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kSector = 2048;

// Every entry below root by its path from there: "dir", a file's bytes or a
// link's target; the manifest left out.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = fs::relative(entry.path(), root).string();
    if (path == "extract-report.json") continue;
    if (entry.is_symlink())
      tree[path] = "link to " + fs::read_symlink(entry.path()).string();
    else if (entry.is_directory())
      tree[path] = "dir";
    else
      tree[path] = ReadWholeFile(entry.path());
  }
  return tree;
}

class CliExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work = fs::temp_directory_path() /
           ("lumeter-extract-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(work);
    fs::create_directories(work);
  }
  void TearDown() override { fs::remove_all(work); }

  // lumeter-cli with image as its only drive.
  static ChildResult Cli(std::vector<std::string> args, const std::string& image) {
    std::vector<std::string> argv{LUMETER_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--image", image});
    return RunChild(argv, {{"WRENLO_IMAGES", ""}});
  }
  static Json Parsed(const ChildResult& result) {
    try {
      return Json::parse(result.out);
    } catch (const std::exception&) {
      ADD_FAILURE() << "not JSON: " << result.out << result.err;
      return Json::object();
    }
  }
  // Writes files (path below the tree -> bytes) and makes a Rock Ridge image
  // of them with xorriso.
  std::string MakeImage(const std::map<std::string, std::string>& files,
                        const std::vector<std::string>& emptyFolders = {}) {
    const fs::path tree = work / "tree";
    for (const auto& [path, bytes] : files) {
      fs::create_directories((tree / path).parent_path());
      WriteFile(tree / path, bytes);
    }
    for (const std::string& path : emptyFolders) fs::create_directories(tree / path);
    const std::string image = work / "disc.iso";
    MustRun({"/usr/bin/xorriso", "-no_rc", "-outdev", image, "-joliet", "off", "-map", tree, "/"});
    return image;
  }

  fs::path work;
};

TEST_F(CliExtractTest, ARockRidgeTreeComesOutAsXorrisoExtractsItWithHostileNamesMadeSafe) {
  const std::string longAscii = std::string(251, 'L') + ".txt";  // 255 bytes, the most a name takes
  std::string longUnicode;                                       // 254 bytes of two-byte characters
  for (int i = 0; i < 125; ++i) longUnicode += "\xC3\xA9";
  longUnicode += ".txt";
  std::map<std::string, std::string> files = {
      {"Fotos/Urlaub 2024/bild.jpg", RandomBytes(300000, 1)},
      {"Fotos/\xC3\x9C"
       "berschrift \xE2\x98\x83.txt",
       "snow\n"},
      {"\xE6\x97\xA5\xE6\x9C\xAC/\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB.txt", "kanji\n"},
      {"Cafe\xCC\x81.txt", "decomposed\n"},
      {longAscii, "long\n"},
      {longUnicode, "long unicode\n"},
      {"empty", ""},
      {"a/b/c/d/e/f/g/h/i/j/k/l/deep.bin", RandomBytes(70000, 2)},
      {"back\\slash:colon*star?\"quote\".txt", "punctuation\n"},
      {"-leading dash", "dash\n"},
      {"trailing space ", "space\n"},
      // Names no local name may hold, and the one their safe form collides
      // with.
      {"new\nline", "newline\n"},
      {"esc\x1B]0;title\x07", "terminal codes\n"},
      {"new_line", "the plain one\n"},
  };
  const std::string image = MakeImage(files, {"empty folder"});

  const fs::path ours = work / "ours";
  const ChildResult extracted = Cli({"extract", ours.string(), "--json"}, image);
  ASSERT_EQ(extracted.status, 0) << extracted.out << extracted.err;
  const fs::path theirs = work / "theirs";
  MustRun({"/usr/bin/xorriso", "-no_rc", "-osirrox", "on", "-indev", image, "-extract", "/",
           theirs.string()});

  // xorriso writes every name as it is; ours are the same but for the
  // names made safe.
  std::map<std::string, std::string> expected = TreeOf(theirs);
  ASSERT_EQ(expected.count("new\nline"), 1u);
  const std::map<std::string, std::string> safeNames = {{"new\nline", "new_line"},
                                                        {"esc\x1B]0;title\x07", "esc_]0;title_"}};
  const std::string plain = expected.at("new_line");
  for (const auto& [disc, local] : safeNames) {
    expected[local] = expected.at(disc);
    expected.erase(disc);
  }
  // The plain name comes after the one that took its safe form, in
  // the disc's order, and so is numbered.
  expected["new_line (2)"] = plain;
  EXPECT_EQ(TreeOf(ours), expected);

  const Json manifest = Json::parse(ReadWholeFile(ours / "extract-report.json"));
  EXPECT_EQ(manifest, Parsed(extracted));
  EXPECT_EQ(manifest["complete"], true);
  EXPECT_EQ(manifest["files"], files.size());
  std::uint64_t bytes = 0;
  for (const auto& [path, content] : files) bytes += content.size();
  EXPECT_EQ(manifest["bytes"], bytes);
  std::map<std::string, std::string> renamed;
  for (const Json& entry : manifest["renamed"])
    renamed[entry["path"].get<std::string>()] =
        entry["local"].get<std::string>() + " (" + entry["reason"].get<std::string>() + ")";
  EXPECT_EQ(renamed, (std::map<std::string, std::string>{
                         {"/new\nline", "new_line (unsafe characters)"},
                         {"/esc\x1B]0;title\x07", "esc_]0;title_ (unsafe characters)"},
                         {"/new_line", "new_line (2) (same name as another)"},
                     }));
}

TEST_F(CliExtractTest, AnIncompleteFileIsZeroedOnTheSectorsTheScanFoundDamaged) {
  const std::map<std::string, std::string> files = {
      {"big.bin", RandomBytes(400000, 3)},      // 196 sectors: bad in its middle, twice
      {"photos/a.jpg", RandomBytes(5000, 4)},   // bad on its first sector
      {"photos/b.jpg", RandomBytes(10000, 5)},  // bad on its last sector, which it fills in part
      {"whole.txt", std::string(9000, 'w')},    // only a sector that reads on a later attempt
  };
  const std::string image = MakeImage(files);
  const auto startOf = [&](const std::string& path) {
    const ChildResult found = RunChild(
        {"/usr/bin/xorriso", "-no_rc", "-indev", image, "-find", "/" + path, "-exec", "report_lba"},
        {});
    const std::size_t at = found.out.find("File data lba:");
    EXPECT_NE(at, std::string::npos) << found.out << found.err;
    return std::stoull(found.out.substr(found.out.find(',', at) + 1));
  };
  const std::uint64_t big = startOf("big.bin"), a = startOf("photos/a.jpg"),
                      b = startOf("photos/b.jpg"), whole = startOf("whole.txt");
  WriteFile(image + ".faults", std::to_string(big + 40) + "-" + std::to_string(big + 42) +
                                   " always\n" + std::to_string(big + 100) + " always\n" +
                                   std::to_string(a) + " always\n" + std::to_string(b + 4) +
                                   " always\n" + std::to_string(whole + 2) + " 2\n");

  const ChildResult scanned = Cli({"scan", "--json"}, image);
  const Json scan = Parsed(scanned);
  std::map<std::string, Json> scanErrors;
  for (const Json& file : scan["damaged_files"])
    if (file["error_sectors"].get<int>() != 0) scanErrors[file["path"]] = file["ranges"];
  ASSERT_EQ(scanErrors.size(), 3u) << scanned.out;

  const fs::path out = work / "out";
  const ChildResult extracted = Cli({"extract", out.string(), "--json"}, image);
  EXPECT_EQ(extracted.status, 1) << extracted.err;
  const Json report = Parsed(extracted);
  EXPECT_EQ(report["complete"], false);
  EXPECT_EQ(report["files"], files.size());
  std::map<std::string, Json> zeroed;
  for (const Json& file : report["incomplete"]) {
    const std::string path = file["path"];
    Json ranges = Json::array();
    for (const Json& range : file["sectors"]) ranges.push_back({range["first"], range["last"]});
    zeroed[path] = ranges;

    // The file holds zeros on the bytes listed and the disc's bytes elsewhere.
    const std::string original = files.at(path.substr(1));
    std::string expected = original;
    for (const Json& bytes : file["missing_bytes"]) {
      const std::uint64_t first = bytes["first"], last = bytes["last"];
      ASSERT_LT(last, original.size());
      std::fill(expected.begin() + static_cast<std::ptrdiff_t>(first),
                expected.begin() + static_cast<std::ptrdiff_t>(last) + 1, '\0');
    }
    EXPECT_NE(expected, original) << path;
    EXPECT_EQ(ReadWholeFile(out / path.substr(1)), expected) << path;
  }
  EXPECT_EQ(zeroed, scanErrors);
  // The bytes listed are those the sectors hold, a last sector's up to the
  // file's end.
  for (const Json& file : report["incomplete"])
    if (file["path"] == "/photos/b.jpg") {
      EXPECT_EQ(file["missing_bytes"], Json::parse(R"([{"first": 8192, "last": 9999}])"));
    }
  EXPECT_EQ(ReadWholeFile(out / "whole.txt"), files.at("whole.txt"));
}

TEST_F(CliExtractTest, AFolderThatCannotBeListedLeavesTheExtractionIncomplete) {
  const std::string image =
      MakeImage({{"photos/a.jpg", "a\n"}, {"photos/b.jpg", "b\n"}, {"letter.txt", "letter\n"}});
  // The folder's directory sector, as isoinfo lists it: "[     52 02]  PHOTOS".
  const ChildResult listed = RunChild({"/usr/bin/isoinfo", "-l", "-i", image}, {});
  const std::size_t name = listed.out.find("]  PHOTOS");
  ASSERT_NE(name, std::string::npos) << listed.out << listed.err;
  const std::size_t open = listed.out.rfind('[', name);
  WriteFile(image + ".faults",
            std::to_string(std::stoul(listed.out.substr(open + 1))) + " always\n");

  const fs::path out = work / "out";
  const ChildResult extracted = Cli({"extract", out.string(), "--json"}, image);
  EXPECT_EQ(extracted.status, 1) << extracted.out << extracted.err;
  const Json report = Parsed(extracted);
  EXPECT_EQ(report["complete"], false);
  EXPECT_EQ(report["folders_not_listed"],
            Json::parse(R"([{"path": "/photos", "reason": "medium error"}])"));
  EXPECT_EQ(ReadWholeFile(out / "letter.txt"), "letter\n");
  const ChildResult text = Cli({"extract", (work / "again").string()}, image);
  EXPECT_THAT(text.out, HasSubstr("folder not listed, nothing below it extracted: /photos"));
}

TEST_F(CliExtractTest, ASecondSessionsSectorsCountFromItsStartAsTheScansDo) {
  // Two sessions, the second written by xorriso where a disc writer puts it.
  const fs::path tree = work / "tree", later = work / "later";
  fs::create_directories(tree);
  fs::create_directories(later);
  WriteFile(tree / "first.bin", RandomBytes(50000, 6));
  WriteFile(later / "later.bin", RandomBytes(30000, 7));
  const std::string first = work / "first.iso", second = work / "second.iso";
  MustRun({"/usr/bin/xorriso", "-no_rc", "-as", "mkisofs", "-quiet", "-r", "-o", first, tree});
  const std::uint64_t start = fs::file_size(first) / kSector + 6750 + 4500 + 150;
  MustRun({"/usr/bin/xorriso", "-no_rc", "-as", "mkisofs", "-quiet", "-r", "-C",
           "0," + std::to_string(start), "-M", first, "-o", second, later});
  const std::string cue = work / "two.cue";
  WriteFile(cue,
            "REM SESSION 01\nFILE first.iso BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
            "REM SESSION 02\nFILE second.iso BINARY\n TRACK 02 MODE1/2048\n  INDEX 01 00:00:00\n");
  const std::uint64_t data = static_cast<std::uint64_t>(
      FindSector(ReadWholeFile(second), RandomBytes(30000, 7).substr(0, kSector)));
  WriteFile(cue + ".faults", std::to_string(start + data + 1) + " always\n");

  const Json scan = Parsed(Cli({"scan", "--json"}, cue));
  ASSERT_EQ(scan["damaged_files"].size(), 1u) << scan.dump();
  const ChildResult extracted = Cli({"extract", (work / "out").string(), "--json"}, cue);
  EXPECT_EQ(extracted.status, 1);
  const Json report = Parsed(extracted);
  EXPECT_EQ(report["session"], 2);
  ASSERT_EQ(report["incomplete"].size(), 1u) << extracted.out;
  const Json& file = report["incomplete"][0];
  EXPECT_EQ(file["path"], scan["damaged_files"][0]["path"]);
  const Json& range = file["sectors"][0];
  EXPECT_EQ(Json::array({Json::array({range["first"], range["last"]})}),
            scan["damaged_files"][0]["ranges"]);
  EXPECT_EQ(range["first"], data + 1);
}

TEST_F(CliExtractTest, ExistingFilesStayUnlessOverwriteIsGiven) {
  const std::string image = MakeImage({{"docs/letter.txt", "from the disc\n"}, {"top", "top\n"}});
  const fs::path out = work / "out";
  fs::create_directories(out / "docs");
  WriteFile(out / "docs/letter.txt", "mine\n");

  const ChildResult kept = Cli({"extract", out.string()}, image);
  EXPECT_EQ(kept.status, 1);
  EXPECT_THAT(kept.out, HasSubstr("not replaced: docs/letter.txt"));
  EXPECT_EQ(ReadWholeFile(out / "docs/letter.txt"), "mine\n");
  EXPECT_EQ(ReadWholeFile(out / "top"), "top\n");

  const ChildResult replaced = Cli({"extract", out.string(), "--overwrite"}, image);
  EXPECT_EQ(replaced.status, 0) << replaced.out << replaced.err;
  EXPECT_EQ(ReadWholeFile(out / "docs/letter.txt"), "from the disc\n");
}

TEST_F(CliExtractTest, ADiscFileNamedAsTheManifestIsKeptBesideIt) {
  const std::string image = MakeImage(
      {{"extract-report.json", "the disc's own\n"}, {"docs/extract-report.json", "deeper\n"}});
  const fs::path out = work / "out";
  const ChildResult extracted = Cli({"extract", out.string(), "--json"}, image);
  EXPECT_EQ(extracted.status, 0) << extracted.out << extracted.err;
  EXPECT_EQ(ReadWholeFile(out / "extract-report (2).json"), "the disc's own\n");
  EXPECT_EQ(ReadWholeFile(out / "docs/extract-report.json"), "deeper\n");
  EXPECT_EQ(Json::parse(ReadWholeFile(out / "extract-report.json")), Parsed(extracted));
}

}  // namespace
