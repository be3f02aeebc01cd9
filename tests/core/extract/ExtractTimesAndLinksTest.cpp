// The extraction's times and links on a scripted engine: the cases a tool
// cannot put on a disc (a link target with a NUL, one too long for a local
// link, entries without times).
#include <FakeEngine.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "core/extract/Extractor.h"

namespace {

namespace fs = std::filesystem;

struct stat Status(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status;
}

class ExtractTimesAndLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    std::string pattern = (fs::temp_directory_path() / "extract-links-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }

  ExtractReport Extract() {
    LocalFolder folder;
    std::string error;
    EXPECT_TRUE(folder.Open(root.string(), error)) << error;
    ExtractChoices choices;
    choices.driveLetter = 'D';
    Extractor extractor(choices, folder, nullptr);
    ExtractReport report;
    extractor.Run(report);
    return report;
  }

  fs::path root;
};

TEST_F(ExtractTimesAndLinksTest, GivesTheDiscsTimesAndMakesOnlyTheLinksALocalLinkCanHold) {
  fake::Script& script = fake::script();
  script.directories[u""] = {
      {u"a.txt", false, false, true, 1'000'000'000, 5},
      {u"untimed.txt", false, false, false},
      {u"dir", true, false, true, -86'400, 0},
      {u"link", false, true, true, 1'262'304'000, 0},
      {u"nul", false, true, true, 1'262'304'000, 0},
      {u"long", false, true, true, 1'262'304'000, 0},
  };
  script.directories[u"/dir"] = {{u"b.txt", false, false, true, 2'000'000'000, 0}};
  script.fileData[u"/a.txt"] = {'a'};
  script.fileData[u"/untimed.txt"] = {'u'};
  script.fileData[u"/dir/b.txt"] = {'b'};
  script.linkTargets[u"/link"] = u"dir/b.txt";
  script.linkTargets[u"/nul"] = std::u16string(u"a\0b", 3);
  script.linkTargets[u"/long"] = std::u16string(5000, u'x');
  const std::time_t before = std::time(nullptr);
  const ExtractReport report = Extract();
  // The session is opened for every entry's time.
  EXPECT_EQ(fake::CallsNamed("OpenDiskSession"),
            std::vector<std::string>{"OpenDiskSession(68, 1, 256)"});
  EXPECT_EQ(report.files, 3u);
  EXPECT_EQ(report.links, 1u);
  EXPECT_TRUE(report.stopped.empty()) << report.stopped;

  EXPECT_EQ(Status(root / "a.txt").st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(Status(root / "a.txt").st_mtim.tv_nsec, 5);
  EXPECT_EQ(Status(root / "dir").st_mtim.tv_sec, -86'400);
  EXPECT_EQ(Status(root / "dir/b.txt").st_mtim.tv_sec, 2'000'000'000);
  // No time on the disc: the time of writing.
  EXPECT_GE(Status(root / "untimed.txt").st_mtim.tv_sec, before);
  EXPECT_EQ(fs::read_symlink(root / "link"), "dir/b.txt");
  EXPECT_EQ(Status(root / "link").st_mtim.tv_sec, 1'262'304'000);

  ASSERT_EQ(report.unmadeLinks.size(), 2u);
  EXPECT_EQ(report.unmadeLinks[0].entry.discPath, u"/nul");
  EXPECT_EQ(report.unmadeLinks[0].target, std::u16string(u"a\0b", 3));
  EXPECT_EQ(report.unmadeLinks[1].entry.discPath, u"/long");
  EXPECT_EQ(report.unmadeLinks[1].target.size(), 5000u);
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "nul")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "long")));
  EXPECT_FALSE(report.Complete());
}

}  // namespace
