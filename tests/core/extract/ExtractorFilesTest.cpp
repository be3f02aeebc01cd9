// Extracting chosen files on the real engine: a small image made with
// xorriso, one of whose files lies on a sector that never reads.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/damage/DiscLayout.h"
#include "core/extract/ExtractSummary.h"
#include "core/extract/Extractor.h"
#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTwoSize = 3 * 2048 + 100;

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ExtractorFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path root = fs::path(testing_support::OutputDirectory()) / "chosen-files";
    fs::remove_all(root);
    const fs::path tree = root / "tree";
    fs::create_directories(tree / "A/B");
    testing_support::WriteFile((tree / "top.txt").string(), "top");
    testing_support::WriteFile((tree / "A/one.txt").string(), "one");
    testing_support::WriteFile((tree / "A/left.txt").string(), "left out");
    testing_support::WriteFile((tree / "A/B/two.bin").string(), std::string(kTwoSize, 'x'));
    image = (root / "chosen.iso").string();
    const auto made = testing_support::RunCommand(
        {"xorriso", "-no_rc", "-outdev", image, "-map", tree.string(), "/"});
    ASSERT_EQ(made.exitCode, 0) << made.output;

    // The second sector of two.bin never reads.
    testing_support::UseImages({image});
    DiscLayout layout;
    ReadDiscLayout(u'D', 1, wrenlo::kFileSystemAny, layout);
    for (const LayoutEntry& entry : layout.entries)
      if (entry.IsFile() && entry.filesTestTree && entry.name == u"/A/B/two.bin")
        badSector = entry.ranges.front().first + 1;
    ASSERT_GT(badSector, 0u);
    testing_support::WriteFile(image + ".faults", std::to_string(badSector) + " always\n");
    testing_support::UseImages({image});
    out = root / "out";
  }

  ExtractReport Extract(const std::vector<std::u16string>& paths,
                        ExtractProgress progress = nullptr,
                        OutputFile::Writer writer = OutputFile::DefaultWriter()) {
    LocalFolder folder(writer);
    std::string error;
    EXPECT_TRUE(folder.Open(out.string(), error)) << error;
    ExtractChoices choices;
    choices.driveLetter = u'D';
    choices.reading.attempts = 1;
    choices.cancel = &cancel;
    Extractor extractor(choices, folder, std::move(progress));
    ExtractReport report;
    extractor.RunFiles(paths, report);
    return report;
  }

  std::atomic<bool> cancel{false};
  static inline std::string image;
  static inline std::uint64_t badSector = 0;
  static inline fs::path out;
};

TEST_F(ExtractorFilesTest, WritesOnlyTheChosenFilesUnderTheirFolders) {
  fs::remove_all(out);
  // Unsorted and once twice: each written once, each folder entered once.
  const ExtractReport report =
      Extract({u"/A/B/two.bin", u"/top.txt", u"/A/one.txt", u"/A/B/two.bin"});
  EXPECT_TRUE(report.stopped.empty()) << report.stopped;
  EXPECT_EQ(report.files, 3u);
  EXPECT_EQ(report.folders, 2u);  // A and A/B
  EXPECT_EQ(Content(out / "top.txt"), "top");
  EXPECT_EQ(Content(out / "A/one.txt"), "one");
  EXPECT_FALSE(fs::exists(out / "A/left.txt"));

  // The unreadable sector as zeros, and listed.
  const std::string two = Content(out / "A/B/two.bin");
  ASSERT_EQ(two.size(), kTwoSize);
  EXPECT_EQ(two.substr(0, 2048), std::string(2048, 'x'));
  EXPECT_EQ(two.substr(2048, 2048), std::string(2048, '\0'));
  EXPECT_EQ(two.substr(4096), std::string(kTwoSize - 4096, 'x'));
  ASSERT_EQ(report.incomplete.size(), 1u);
  EXPECT_EQ(report.incomplete[0].entry.localPath, "A/B/two.bin");
  EXPECT_EQ(report.incomplete[0].gaps.bytes, (std::vector<ByteRange>{{2048, 4095}}));
  const std::string sector = std::to_string(badSector);
  EXPECT_NE(ExtractSummaryText(report).find("incomplete: /A/B/two.bin (bytes 2048-4095; sectors " +
                                            sector + ")\n"),
            std::string::npos)
      << ExtractSummaryText(report);
  EXPECT_FALSE(report.Complete());
}

TEST_F(ExtractorFilesTest, AFolderThatCannotBeMadeStopsWithOneLine) {
  fs::remove_all(out);
  fs::create_directories(out);
  testing_support::WriteFile((out / "A").string(), "a file where the folder goes");
  const ExtractReport report = Extract({u"/A/one.txt", u"/top.txt"});
  EXPECT_NE(report.stopped.find("A"), std::string::npos) << report.stopped;
  EXPECT_EQ(report.files, 0u);
  EXPECT_FALSE(fs::exists(out / "top.txt"));  // "/A/..." sorts first; nothing after the stop
}

// Cancelled as the file starts: the engine's read stops at its first piece,
// and the file is not left half-written.
TEST_F(ExtractorFilesTest, ACancelWhileAFileIsReadLeavesNoPartOfIt) {
  fs::remove_all(out);
  const ExtractReport report =
      Extract({u"/A/one.txt"}, [&](const std::u16string&, const ExtractReport&) { cancel = true; });
  EXPECT_TRUE(report.cancelled);
  EXPECT_TRUE(report.stopped.empty()) << report.stopped;
  EXPECT_EQ(report.files, 0u);
  EXPECT_TRUE(fs::is_directory(out / "A"));
  EXPECT_FALSE(fs::exists(out / "A/one.txt"));
}

// Cancelled while a damaged file is read again from its sectors: it is
// removed as well, rather than left cut short and listed as if only its bad
// sector were missing.
TEST_F(ExtractorFilesTest, ACancelWhileADamagedFileIsReadAgainLeavesNoPartOfIt) {
  fs::remove_all(out);
  static std::atomic<bool>* flag = nullptr;
  static int writes = 0;
  flag = &cancel;
  writes = 0;
  // The second write of the file comes from reading it again: the engine's
  // whole read fails at the bad sector, having given at most the first.
  const ExtractReport report =
      Extract({u"/A/B/two.bin"}, nullptr, [](int fd, const void* bytes, size_t count) {
        if (++writes == 2) flag->store(true);
        return ::write(fd, bytes, count);
      });
  EXPECT_GE(writes, 2);
  EXPECT_TRUE(report.cancelled);
  EXPECT_TRUE(report.stopped.empty()) << report.stopped;
  EXPECT_TRUE(report.incomplete.empty());
  EXPECT_EQ(report.files, 0u);
  EXPECT_FALSE(fs::exists(out / "A/B/two.bin"));
}

}  // namespace
