// Finding the cue sheet that describes a BIN file: one in the BIN file's
// folder that names it in a FILE line, quoted or not, in any case of the
// keyword and the endings, with or without a folder in front of the name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/disc/CueForBin.h"

namespace {

namespace fs = std::filesystem;

class CueForBinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("cue-for-bin-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  }
  std::string Path(const std::string& name) const { return (folder / name).string(); }

  fs::path folder;
};

TEST_F(CueForBinTest, TheSheetThatNamesTheBin) {
  EXPECT_TRUE(IsBinPath("disc.bin"));
  EXPECT_TRUE(IsBinPath("/a/DISC.BIN"));
  EXPECT_FALSE(IsBinPath("disc.iso"));
  EXPECT_FALSE(IsBinPath("bin"));

  Write("game.bin", "");
  Write("track 2.bin", "");
  Write("other.bin", "");
  Write("alone.bin", "");
  Write("a-other.cue", "FILE other.bin BINARY\n  TRACK 01 MODE1/2352\n");
  Write("Game.CUE",
        "REM a comment naming game.bin\r\n"
        "file \"sub/game.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
        "  FILE \"track 2.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n");
  struct Case {
    const char* bin;
    const char* sheet;  // empty: none
  };
  for (const Case& c : {Case{"game.bin", "Game.CUE"}, Case{"track 2.bin", "Game.CUE"},
                        Case{"other.bin", "a-other.cue"}, Case{"alone.bin", ""}}) {
    SCOPED_TRACE(c.bin);
    const std::optional<std::string> found = CueSheetFor(Path(c.bin));
    if (*c.sheet == 0) {
      EXPECT_FALSE(found);
    } else {
      ASSERT_TRUE(found);
      EXPECT_EQ(fs::path(*found).filename(), c.sheet);
    }
  }
  EXPECT_FALSE(CueSheetFor(Path("missing/x.bin")));
}

}  // namespace
