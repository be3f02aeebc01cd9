// lumeter-cli extract of a Rock Ridge image made by xorriso, against
// `xorriso -osirrox on -extract` of the same image: the same entries, bytes,
// modification times and link targets. xorriso leaves a link's own time as
// the time of extraction, so links' times are checked against the source.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "CliFixture.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

constexpr char kXorriso[] = "/usr/bin/xorriso";

// What one entry of an extracted tree is: its kind, its bytes (a file) or
// target (a link), and its modification time.
struct Extracted {
  char kind = '?';  // 'f' file, 'd' folder, 'l' link
  std::string content;
  timespec modified{};

  bool operator==(const Extracted& other) const {
    return kind == other.kind && content == other.content &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

std::ostream& operator<<(std::ostream& out, const Extracted& entry) {
  return out << entry.kind << " '" << entry.content << "' " << entry.modified.tv_sec << "."
             << entry.modified.tv_nsec;
}

// Every entry below folder but the manifest, by its path there; links are
// never followed.
std::map<std::string, Extracted> Tree(const fs::path& folder) {
  std::map<std::string, Extracted> out;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().lexically_relative(folder).string();
    if (path == "extract-report.json") continue;
    struct stat status {};
    EXPECT_EQ(lstat(entry.path().c_str(), &status), 0) << path;
    Extracted& item = out[path];
    item.modified = status.st_mtim;
    if (S_ISLNK(status.st_mode)) {
      item.kind = 'l';
      item.content = fs::read_symlink(entry.path()).string();
    } else if (S_ISDIR(status.st_mode)) {
      item.kind = 'd';
    } else {
      item.kind = 'f';
      item.content = ReadWholeFile(entry.path());
    }
  }
  return out;
}

void SetTime(const fs::path& path, const char* utc) {
  const ChildResult set = RunChild({"/usr/bin/touch", "-h", "-d", utc, path}, {});
  ASSERT_EQ(set.status, 0) << set.err;
}

ChildResult Extract(const std::string& image, const fs::path& out, bool overwrite) {
  std::vector<std::string> argv{LUMETER_CLI, "extract", out, "--image", image, "--json"};
  if (overwrite) argv.push_back("--overwrite");
  return RunChild(argv, {{"WRENLO_IMAGES", ""}, {"TZ", "UTC"}});
}

class CliExtractTimesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kXorriso)) GTEST_SKIP() << "xorriso is not installed";
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/extract-times-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    if (folder.empty()) return;
    // xorriso gives the files it extracts the disc's modes, read-only ones.
    RunChild({"/bin/chmod", "-R", "u+w", folder}, {});
    fs::remove_all(folder);
  }
  fs::path folder;
};

TEST_F(CliExtractTimesTest, FilesFoldersAndLinksComeOutAsXorrisoExtractsThem) {
  const fs::path tree = folder / "tree";
  fs::create_directories(tree / "Fotos" / "2019");
  fs::create_directories(tree / "empty");
  WriteFile(tree / "readme.txt", "read me\n");
  WriteFile(tree / "Fotos" / "a.jpg", std::string(5000, 'a'));
  WriteFile(tree / "Fotos" / "2019" / "b.jpg", "b");
  WriteFile(tree / "old.txt", "before 1970\n");
  fs::create_symlink("Fotos/a.jpg", tree / "to-a");
  fs::create_symlink("/etc/hostname", tree / "absolute");
  fs::create_symlink("../../nowhere", tree / "Fotos" / "dangling");
  fs::create_symlink("2019", tree / "Fotos" / "to-folder");
  SetTime(tree / "readme.txt", "2021-06-01 12:34:56.789 UTC");
  SetTime(tree / "old.txt", "1960-02-29 01:02:03 UTC");
  SetTime(tree / "Fotos" / "a.jpg", "2019-07-14 09:00:00 UTC");
  SetTime(tree / "Fotos" / "2019" / "b.jpg", "2019-12-31 23:59:59 UTC");
  SetTime(tree / "to-a", "2010-01-01 00:00:00 UTC");
  SetTime(tree / "Fotos" / "dangling", "2011-02-03 04:05:06 UTC");
  // Folders after what is in them.
  SetTime(tree / "Fotos" / "2019", "2020-01-01 00:00:00 UTC");
  SetTime(tree / "Fotos", "2020-02-02 02:02:02 UTC");
  SetTime(tree / "empty", "2001-01-01 01:01:01 UTC");
  const std::string image = folder / "disc.iso";
  const ChildResult made =
      RunChild({kXorriso, "-no_rc", "-outdev", image, "-map", tree, "/", "-commit"}, {});
  ASSERT_EQ(made.status, 0) << made.err;

  const fs::path ours = folder / "ours";
  const ChildResult extracted = Extract(image, ours, false);
  ASSERT_EQ(extracted.status, 0) << extracted.out << extracted.err;
  const Json report = Json::parse(extracted.out);
  EXPECT_EQ(report["files"], 4);
  EXPECT_EQ(report["links"], 4);
  EXPECT_EQ(report["links_not_made"], Json::array());

  const fs::path theirs = folder / "theirs";
  const ChildResult oracle = RunChild(
      {kXorriso, "-no_rc", "-osirrox", "on", "-indev", image, "-extract", "/", theirs}, {});
  ASSERT_EQ(oracle.status, 0) << oracle.err;

  std::map<std::string, Extracted> expected = Tree(theirs);
  const std::map<std::string, Extracted> source = Tree(tree);
  for (auto& [path, entry] : expected) {
    if (entry.kind != 'l') continue;
    // Rock Ridge keeps whole seconds.
    entry.modified = {source.at(path).modified.tv_sec, 0};
  }
  EXPECT_EQ(Tree(ours), expected);
  EXPECT_EQ(expected.at("readme.txt").modified.tv_sec, 1622550896);
  EXPECT_EQ(expected.at("Fotos/dangling").content, "../../nowhere");

  // Again into the same folder: the links there are kept, and listed, unless
  // replacing is asked.
  const ChildResult again = Extract(image, ours, false);
  EXPECT_EQ(again.status, 1) << again.err;
  const Json kept = Json::parse(again.out);
  EXPECT_EQ(kept["links"], 0);
  EXPECT_EQ(kept["not_replaced"].size(), 8u);
  fs::remove(ours / "to-a");
  fs::create_symlink("/etc/passwd", ours / "to-a");
  const ChildResult replaced = Extract(image, ours, true);
  EXPECT_EQ(replaced.status, 0) << replaced.out << replaced.err;
  EXPECT_EQ(Json::parse(replaced.out)["links"], 4);
  EXPECT_EQ(Tree(ours), expected);
}

}  // namespace
