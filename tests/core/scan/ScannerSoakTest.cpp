#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "LoopThread.h"
#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"

namespace {

// One short run, ended in one of four ways while its worker is at an
// arbitrary point, on the thread that owns the scanner.
void RunCycle(int cycle, std::unique_ptr<ScannerBridge> bridge, unsigned ending, bool filesTest,
              const DeviceContext& context) {
  SCOPED_TRACE("cycle " + std::to_string(cycle));
  Recorder receiver;
  auto scanner = std::make_unique<SectorScanner>(std::move(bridge), &receiver);
  ASSERT_TRUE(scanner->Start(true, filesTest, &context));
  switch (ending) {
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

// Many short runs, each ended in another way: none may hang, crash or race
// (this runs under ThreadSanitizer too). Every other run reports to a loop
// thread, which then also owns the scanner, as a window's thread does.
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
    const unsigned ending = random() % 4;
    const bool filesTest = cycle % 3 == 0;
    if (cycle % 2 == 0)
      RunCycle(cycle, std::make_unique<DirectBridge>(), ending, filesTest, context);
    else
      loop.Call(
          [&] { RunCycle(cycle, std::make_unique<LoopBridge>(loop), ending, filesTest, context); });
  }
}

}  // namespace
