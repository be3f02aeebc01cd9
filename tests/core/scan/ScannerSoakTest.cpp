#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "LoopThread.h"
#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"

namespace {

// Many short runs, each ended in another way while its worker is at an
// arbitrary point: none may hang, crash or race (this runs under
// ThreadSanitizer too).
TEST(ScannerSoakTest, QuickStartStopAndDestroyCycles) {
  fake::Reset();
  fake::SetRecording(false);
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(64, 0, 1);
  fake::script().readFailures[5] = 2;
  fake::script().readFailures[40] = -1;
  fake::script().directories[u""] = {{u"A", false}, {u"B", false}};
  const DeviceContext context(u'D');
  LoopThread loop;
  std::mt19937 random(20240601);

  for (int cycle = 0; cycle < 300; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    Recorder receiver;
    std::unique_ptr<ScannerBridge> bridge;
    if (cycle % 2 == 0)
      bridge = std::make_unique<DirectBridge>();
    else
      bridge = std::make_unique<LoopBridge>(loop);
    auto scanner = std::make_unique<SectorScanner>(std::move(bridge), &receiver);
    const bool filesTest = cycle % 3 == 0;
    ASSERT_TRUE(scanner->Start(true, filesTest, &context));
    switch (random() % 4) {
      case 0:  // destroyed while it runs
        break;
      case 1:  // destroyed while it stops
        scanner->Stop();
        break;
      case 2:  // stopped, waited for, started again and destroyed
        scanner->StopAndWait();
        ASSERT_FALSE(receiver.reports.empty());
        EXPECT_EQ(receiver.reports.back(), "Finished");
        EXPECT_TRUE(scanner->Start(true, false, &context));
        break;
      case 3:  // run to its end
        scanner->Wait();
        EXPECT_EQ(receiver.Count("Finished"), filesTest ? 3u : 2u);
        break;
    }
  }
}

}  // namespace
