// The worker reads the next sectors while the receiver's thread handles the
// reports of those before; what the receiver sees must be what it would see
// if the worker waited for each report.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "LoopThread.h"
#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"

namespace {

constexpr std::int32_t kStart = 500;

// Holds the reports of sector 3 until the worker has begun reading sector 4,
// then asks the scan to stop, as a user's Stop between two reports would.
class StopAfterSectorThree final : public Recorder {
 public:
  explicit StopAfterSectorThree(std::shared_future<void> readingFour) : readingFour(readingFour) {}
  void OnSurfaceState(const SurfaceState_t& state) override {
    Recorder::OnSurfaceState(state);
    if (held || state.sectors.size() < 4 || state.sectors[3] == 0) return;
    held = true;
    overlapped = readingFour.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    stopping->Stop();
  }
  SectorScanner* stopping = nullptr;
  bool overlapped = false;

 private:
  std::shared_future<void> readingFour;
  bool held = false;
};

TEST(ReadAheadTest, TheSectorsReadAheadOfAStopAreNeitherShownNorCounted) {
  fake::Reset();
  fake::SetRecording(false);
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(10, kStart, 1);
  std::promise<void> fourBegun;
  fake::script().onRead = [&](std::int32_t address) {
    if (address == kStart + 4) fourBegun.set_value();
  };
  const DeviceContext context(u'D');
  StopAfterSectorThree receiver(fourBegun.get_future().share());
  LoopThread loop;
  std::vector<std::uint8_t> table;
  loop.Call([&] {
    SectorScanner scanner(std::make_unique<LoopBridge>(loop), &receiver);
    receiver.stopping = &scanner;
    receiver.scanner = &scanner;
    ASSERT_TRUE(scanner.Start(true, false, &context));
    scanner.Wait();
    table = scanner.surfaceState.sectors;
  });

  EXPECT_TRUE(receiver.overlapped) << "sector 4 was not read while sector 3's reports ran";
  // Read ahead at most once each, however far the worker got.
  for (std::int32_t sector = 4; sector < 10; ++sector)
    EXPECT_LE(fake::ReadCount(kStart + sector), 1) << "sector " << sector;
  EXPECT_EQ(fake::ReadCount(kStart + 4), 1);
  EXPECT_EQ(table, (std::vector<std::uint8_t>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
  // The last progress is sector 3's: what was read ahead shows nowhere.
  ASSERT_FALSE(receiver.progress.empty());
  EXPECT_EQ(fake::Utf8(receiver.progress.back().text), "Surface Scan. Sector 3 from 10");
  EXPECT_EQ(receiver.progress.back().current, 4);
  EXPECT_EQ(receiver.Named("Table").back(), "Table n=10 1111000000");
}

}  // namespace
