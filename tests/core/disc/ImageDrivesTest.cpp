// Image drives opened and closed on the real engine while a surface scan of
// another drive runs (also run under ThreadSanitizer): the scan reads every
// sector good, every image gets a letter of its own, and a closed image's
// letter goes to the next.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <string>
#include <vector>

#include "core/disc/DeviceContext.h"
#include "core/disc/DeviceList.h"
#include "core/disc/ImageDrives.h"
#include "core/scan/SectorScanner.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace {

using testing_support::OutputDirectory;

// Counts what the scan reports; reports run on the scan's worker.
class Counter : public ISectorScannerCallback {
 public:
  void OnScanStarted() override {}
  void OnScanFinished() override {}
  void OnProgress(const ProgressCtx_t& progress) override { last = progress; }
  void OnSurfaceState(const SurfaceState_t&) override {}
  void OnLogEntry(int, const TimeValue&, const std::u16string&, std::int64_t) override {}
  ProgressCtx_t last;
};

TEST(ImageDrivesTest, OpenAndCloseWhileAnotherDriveIsScanned) {
  const std::string scanned = OutputDirectory() + "/scanned.iso";
  const std::string other = OutputDirectory() + "/other.iso";
  testing_support::MakeSparseImage(scanned, 3000);
  testing_support::WriteFile(scanned + ".faults", "latency 300\n");  // about a second
  testing_support::UseImages({scanned});

  const DeviceContext context(u'D');
  ASSERT_TRUE(context.hasMedium);
  Counter counter;
  SectorScanner scanner(std::make_unique<DirectBridge>(), &counter);
  ASSERT_TRUE(scanner.Start(true, false, &context));

  // E to Z: every letter but the scanned drive's, each given once.
  std::vector<std::uint16_t> letters;
  for (int round = 0; round < 22; ++round) {
    const std::string image = other + std::to_string(round);
    testing_support::MakeSparseImage(image, 16);
    const OpenedImage opened = OpenImage(image);
    ASSERT_TRUE(opened.usable) << round;
    EXPECT_EQ(opened.letter, u'E' + round);
    letters.push_back(opened.letter);
    std::int32_t present = 0;
    std::uint32_t changes = 0;
    EXPECT_EQ(wrenlo::GetMediumPresence(opened.letter, &present, &changes), 0);
  }
  testing_support::MakeSparseImage(other, 16);
  EXPECT_EQ(OpenImage(other).letter, 0);  // none is left
  // Closed, a letter goes to the next image.
  EXPECT_TRUE(CloseImage(u'K'));
  EXPECT_FALSE(CloseImage(u'K'));
  EXPECT_EQ(OpenImage(other).letter, u'K');
  for (const std::uint16_t letter : letters) CloseImage(letter);
  scanner.Wait();
  EXPECT_EQ(counter.last.total, 3000);
  EXPECT_EQ(counter.last.current, 3000);
  EXPECT_EQ(counter.last.problems, 0);
  EXPECT_EQ(counter.last.errors, 0);
}

// A file open as a drive already, by whatever path, is not opened again:
// its drive is given.
TEST(ImageDrivesTest, AnImageOpenAlreadyGivesItsDrive) {
  const std::string image = OutputDirectory() + "/twice.iso";
  testing_support::MakeSparseImage(image, 16);
  testing_support::UseImages({});
  const OpenedImage first = OpenImage(image);
  ASSERT_TRUE(first.usable);
  EXPECT_FALSE(first.alreadyOpen);
  for (const std::string& path : {image, OutputDirectory() + "/./twice.iso"}) {
    const OpenedImage again = OpenImage(path);
    EXPECT_TRUE(again.usable);
    EXPECT_TRUE(again.alreadyOpen);
    EXPECT_EQ(again.letter, first.letter);
  }
  EXPECT_EQ(ReadDeviceList().size(), 1u);
}

// A BIN file opens as the cue sheet beside it that names it; without one it
// is not opened, and takes no letter.
TEST(ImageDrivesTest, ABinFileOpensAsItsCueSheet) {
  const std::string folder = OutputDirectory();
  testing_support::WriteFile(folder + "/data.bin", std::string(20 * 2048, 'd'));
  testing_support::WriteFile(
      folder + "/data.cue", "FILE data.bin BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n");
  testing_support::WriteFile(folder + "/lonely.bin", std::string(20 * 2048, 'l'));
  testing_support::UseImages({});
  const OpenedImage opened = OpenImage(folder + "/data.bin");
  ASSERT_TRUE(opened.usable);
  const std::vector<DeviceListItem> list = ReadDeviceList();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].text, u"D: data.cue");
  // The sheet itself is the same drive.
  EXPECT_TRUE(OpenImage(folder + "/data.cue").alreadyOpen);

  const OpenedImage lonely = OpenImage(folder + "/lonely.bin");
  EXPECT_FALSE(lonely.usable);
  EXPECT_EQ(lonely.letter, 0);
  EXPECT_EQ(lonely.problem, u"a BIN file needs its cue sheet, and no cue sheet beside it names it");
  EXPECT_EQ(ReadDeviceList().size(), 1u);
}

TEST(ImageDrivesTest, AnUnusableImageSaysWhy) {
  testing_support::UseImages({});
  const OpenedImage opened = OpenImage(OutputDirectory() + "/not there.iso");
  EXPECT_FALSE(opened.usable);
  EXPECT_EQ(opened.letter, u'D');
  EXPECT_EQ(opened.problem, u"not there.iso: no such file");
  EXPECT_TRUE(CloseImage(opened.letter));
  EXPECT_TRUE(ReadDeviceList().empty());
}

}  // namespace
