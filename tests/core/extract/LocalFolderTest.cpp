#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/extract/LocalFolder.h"

namespace {

namespace fs = std::filesystem;

class LocalFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "local-folder-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    outside = root / "outside";
    fs::create_directory(outside);
  }
  void TearDown() override { fs::remove_all(root); }

  static std::string Content(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path root;
  fs::path outside;
  std::string error;
};

TEST_F(LocalFolderTest, WritesFilesAndFoldersWithTheirTimes) {
  LocalFolder folder;
  ASSERT_TRUE(folder.Open((root / "out").string(), error)) << error;
  ASSERT_TRUE(folder.Enter("Fotos", error)) << error;
  ASSERT_EQ(folder.CreateFile("a.jpg", false, error), LocalFolder::Created::New) << error;
  ASSERT_TRUE(folder.Write("abc", error));
  const timespec fileTime{1'600'000'000, 5000};
  ASSERT_TRUE(folder.Finish(&fileTime, error)) << error;
  EXPECT_EQ(folder.LocalPath("a.jpg"), "Fotos/a.jpg");
  const timespec folderTime{1'500'000'000, 0};
  ASSERT_TRUE(folder.Leave(&folderTime, error)) << error;

  EXPECT_EQ(Content(root / "out/Fotos/a.jpg"), "abc");
  struct stat file {};
  ASSERT_EQ(stat((root / "out/Fotos/a.jpg").c_str(), &file), 0);
  EXPECT_EQ(file.st_mtim.tv_sec, fileTime.tv_sec);
  EXPECT_EQ(file.st_mtim.tv_nsec, fileTime.tv_nsec);
  struct stat dir {};
  ASSERT_EQ(stat((root / "out/Fotos").c_str(), &dir), 0);
  EXPECT_EQ(dir.st_mtim.tv_sec, folderTime.tv_sec);
}

TEST_F(LocalFolderTest, NeverFollowsALinkOutOfTheFolderAndReplacesOnlyWhenAsked) {
  fs::create_directory(root / "out");
  fs::create_directory_symlink(outside, root / "out/Fotos");
  fs::create_symlink(outside / "victim", root / "out/link");
  std::ofstream(root / "out/kept") << "old";

  LocalFolder folder;
  ASSERT_TRUE(folder.Open((root / "out").string(), error));
  EXPECT_FALSE(folder.Enter("Fotos", error));
  EXPECT_NE(error.find("cannot open the folder " + (root / "out").string() + "/Fotos: "),
            std::string::npos)
      << error;

  EXPECT_EQ(folder.CreateFile("kept", false, error), LocalFolder::Created::Exists);
  EXPECT_EQ(Content(root / "out/kept"), "old");
  EXPECT_EQ(folder.CreateFile("link", false, error), LocalFolder::Created::Exists);

  ASSERT_EQ(folder.CreateFile("link", true, error), LocalFolder::Created::New) << error;
  ASSERT_TRUE(folder.Write("new", error));
  ASSERT_TRUE(folder.Finish(nullptr, error));
  EXPECT_FALSE(fs::is_symlink(root / "out/link"));
  EXPECT_EQ(Content(root / "out/link"), "new");
  EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(LocalFolderTest, AFullDiscIsOneLineNamingTheFile) {
  LocalFolder folder([](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  });
  ASSERT_TRUE(folder.Open((root / "out").string(), error));
  ASSERT_EQ(folder.CreateFile("big.iso", false, error), LocalFolder::Created::New);
  EXPECT_FALSE(folder.Write("x", error));
  EXPECT_EQ(error, "cannot write " + (root / "out").string() + "/big.iso: No space left on device");
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

}  // namespace

TEST_F(LocalFolderTest, KnowsTheEntriesItWroteUnderAnyNameTheFileSystemGivesThem) {
  // A file system that folds case answers "a.txt" with the file written as
  // "A.TXT"; a hard link made here stands in for that second name.
  LocalFolder folder;
  ASSERT_TRUE(folder.Open((root / "out").string(), error)) << error;
  std::ofstream(root / "out/before.txt") << "there before\n";
  ASSERT_EQ(folder.CreateFile("A.TXT", false, error), LocalFolder::Created::New) << error;
  ASSERT_TRUE(folder.Finish(nullptr, error)) << error;
  ASSERT_TRUE(folder.Enter("DOCS", error)) << error;
  ASSERT_TRUE(folder.Leave(nullptr, error)) << error;
  ASSERT_EQ(link((root / "out/A.TXT").c_str(), (root / "out/a.txt").c_str()), 0);
  ASSERT_EQ(symlink("DOCS", (root / "out/docs").c_str()), 0);

  EXPECT_TRUE(folder.UsedThisRun("a.txt"));
  EXPECT_TRUE(folder.UsedThisRun("DOCS"));
  EXPECT_FALSE(folder.UsedThisRun("docs"));  // a link to it is another entry
  EXPECT_FALSE(folder.UsedThisRun("before.txt"));
  EXPECT_FALSE(folder.UsedThisRun("missing"));
  // An existing file left in place is used too: a second name for it is not
  // written over it.
  ASSERT_EQ(folder.CreateFile("before.txt", false, error), LocalFolder::Created::Exists);
  EXPECT_TRUE(folder.UsedThisRun("before.txt"));
  EXPECT_GE(folder.NameMax(), 255u);
}
