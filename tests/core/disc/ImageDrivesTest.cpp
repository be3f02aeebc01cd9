// Image drives opened and closed on the real engine while a surface scan of
// another drive runs (also run under ThreadSanitizer): the scan reads every
// sector good, and every image gets a letter of its own.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <set>

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
  testing_support::MakeSparseImage(other, 16);
  testing_support::UseImages({scanned});

  const DeviceContext context(u'D');
  ASSERT_TRUE(context.hasMedium);
  Counter counter;
  SectorScanner scanner(std::make_unique<DirectBridge>(), &counter);
  ASSERT_TRUE(scanner.Start(true, false, &context));

  std::set<std::uint16_t> letters;
  // E to Z: every letter but the scanned drive's, each given once.
  for (int round = 0; round < 22; ++round) {
    const OpenedImage opened = OpenImage(other);
    ASSERT_TRUE(opened.usable) << round;
    EXPECT_TRUE(letters.insert(opened.letter).second) << "letter given twice";
    EXPECT_EQ(ReadDeviceList().back().letter, opened.letter);
    std::int32_t present = 0;
    std::uint32_t changes = 0;
    EXPECT_EQ(wrenlo::GetMediumPresence(opened.letter, &present, &changes), 0);
    EXPECT_TRUE(CloseImage(opened.letter));
    EXPECT_FALSE(CloseImage(opened.letter));
  }
  EXPECT_EQ(OpenImage(other).letter, 0);  // none is left
  EXPECT_EQ(*letters.rbegin(), u'Z');
  scanner.Wait();
  EXPECT_EQ(counter.last.total, 3000);
  EXPECT_EQ(counter.last.current, 3000);
  EXPECT_EQ(counter.last.problems, 0);
  EXPECT_EQ(counter.last.errors, 0);
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
