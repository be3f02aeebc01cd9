#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <random>

#include "../../core/scan/Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"
#include "gui/scan/ScannerCallMessage.h"
#include "gui/scan/WindowBridge.h"

using ::testing::Each;

namespace {

constexpr std::int32_t kStart = 1000;

// A minimal receiver window: it runs the reports posted to it and hands them
// to a recorder; each progress report asks for a repaint.
class ReceiverWindow : public QWidget, public ISectorScannerCallback {
 public:
  explicit ReceiverWindow(Recorder& target) : recorder(target) { resize(120, 40); }
  ~ReceiverWindow() override { recorder.reports.push_back("Destroyed"); }

  void OnScanStarted() override { recorder.OnScanStarted(); }
  void OnScanFinished() override { recorder.OnScanFinished(); }
  void OnProgress(const ProgressCtx_t& progress) override {
    recorder.OnProgress(progress);
    update();
  }
  void OnSurfaceState(const SurfaceState_t& state) override { recorder.OnSurfaceState(state); }
  void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                  std::int64_t sector) override {
    recorder.OnLogEntry(kind, time, text, sector);
  }

  int paintsDuringScan = 0;

 protected:
  bool event(QEvent* event) override {
    return ScannerCallEvent::Dispatch(event) || QWidget::event(event);
  }
  void paintEvent(QPaintEvent*) override {
    if (!recorder.progress.empty() && recorder.Count("Finished") == 0) ++paintsDuringScan;
  }

 private:
  Recorder& recorder;
};

// Runs the event loop until condition() holds, checking it on every pass of
// the loop; false after 60 s.
bool RunUntil(const std::function<bool()>& condition) {
  if (condition()) return true;
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (condition()) loop.exit(0);
  });
  check.start(0);
  QTimer::singleShot(60000, &loop, [&] { loop.exit(1); });
  return loop.exec() == 0;
}

SectorScanner::Clocks FixedClocks() {
  return {[] { return std::uint64_t{0}; }, [] { return TimeValue{1000}; }};
}

class WindowBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  static void ScriptSession(std::int32_t count) {
    fake::script().medium = fake::Medium(u"DVD-ROM", 1, 1, 1, 1);
    fake::script().sessions[1] = fake::Session(count, kStart, 1);
  }

  std::vector<std::uint8_t> Table(const SectorScanner& scanner) {
    std::lock_guard lock(scanner.stateLock);
    return scanner.surfaceState.sectors;
  }
};

TEST_F(WindowBridgeTest, ReportsRunOnTheWindowThreadInOrderWithTheValuesOfTheirMoment) {
  ScriptSession(3);
  fake::script().readFailures[kStart + 1] = 2;
  fake::script().readFailures[kStart + 2] = -1;
  fake::script().directories[u""] = {{u"A.TXT", false}, {u"B.TXT", false}};
  fake::script().failingFiles = {u"/B.TXT"};
  const DeviceContext context(u'D');

  // The same run on the direct bridge gives the expected reports.
  Recorder expected;
  {
    SectorScanner direct(std::make_unique<DirectBridge>(), &expected, FixedClocks());
    expected.scanner = &direct;
    direct.Start(true, true, &context);
    direct.Wait();
  }

  Recorder recorder;
  ReceiverWindow window(recorder);
  SectorScanner scanner(std::make_unique<WindowBridge>(&window), &window, FixedClocks());
  recorder.scanner = &scanner;
  ASSERT_TRUE(scanner.Start(true, true, &context));
  ASSERT_TRUE(RunUntil([&] { return recorder.Count("Finished") == 3; }));
  scanner.Wait();
  EXPECT_EQ(recorder.reports, expected.reports);
  EXPECT_THAT(recorder.threads, Each(std::this_thread::get_id()));
}

// The scan page's button reads "Start" again as soon as the run's last report
// arrives; pressing it then must start the next run, though the worker may
// not have ended yet.
TEST_F(WindowBridgeTest, AStartRightAfterTheLastReportStartsTheNextRun) {
  ScriptSession(3);
  const DeviceContext context(u'D');
  Recorder recorder;
  ReceiverWindow window(recorder);
  SectorScanner scanner(std::make_unique<WindowBridge>(&window), &window);
  for (std::size_t run = 1; run <= 3; ++run) {
    ASSERT_TRUE(scanner.Start(true, false, &context)) << "run " << run;
    ASSERT_TRUE(RunUntil([&] { return recorder.Count("Finished") == 2 * run; }));
  }
  scanner.Wait();
  EXPECT_EQ(fake::ReadCount(kStart + 2), 3);
}

TEST_F(WindowBridgeTest, ReportsToADestroyedWindowAreDroppedAndTheScanRunsOn) {
  constexpr std::int32_t kSectors = 200000;  // far more than one turn of reports
  ScriptSession(kSectors);
  fake::SetRecording(false);
  const DeviceContext context(u'D');
  Recorder recorder;
  auto* window = new ReceiverWindow(recorder);
  QPointer<QWidget> alive(window);
  SectorScanner scanner(std::make_unique<WindowBridge>(window), window);
  recorder.afterReport = [&] {
    if (recorder.progress.size() == 20) window->deleteLater();
  };
  ASSERT_TRUE(scanner.Start(true, false, &context));
  ASSERT_TRUE(RunUntil([&] { return alive.isNull(); }));
  scanner.Wait();
  EXPECT_EQ(recorder.reports.back(), "Destroyed");
  EXPECT_EQ(recorder.Count("Finished"), 0u);
  EXPECT_EQ(fake::ReadCount(kStart + kSectors - 1), 1);
  EXPECT_EQ(Table(scanner), std::vector<std::uint8_t>(kSectors, 1));
}

TEST_F(WindowBridgeTest, TheWindowThreadHandlesOtherEventsDuringAScan) {
  ScriptSession(2000000);
  fake::SetRecording(false);
  const DeviceContext context(u'D');
  Recorder recorder;
  ReceiverWindow window(recorder);
  window.show();
  SectorScanner scanner(std::make_unique<WindowBridge>(&window), &window);
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks >= 3 && window.paintsDuringScan >= 2) scanner.Stop();
  });
  ASSERT_TRUE(scanner.Start(true, false, &context));
  timer.start(5);
  ASSERT_TRUE(RunUntil([&] { return recorder.Count("Finished") == 2; }));
  scanner.Wait();
  // Had the reports kept the thread to themselves, the timer and the repaints
  // would not have stopped the scan before its end.
  EXPECT_LT(recorder.progress.back().current, 2000000);
  EXPECT_GE(window.paintsDuringScan, 2);
}

TEST_F(WindowBridgeTest, StopAndWaitOnTheWindowThreadRunsTheReportsStillToCome) {
  ScriptSession(1000000);
  fake::SetRecording(false);
  const DeviceContext context(u'D');
  Recorder recorder;
  ReceiverWindow window(recorder);
  SectorScanner scanner(std::make_unique<WindowBridge>(&window), &window);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_TRUE(scanner.Start(true, true, &context));
    ASSERT_TRUE(RunUntil([&] { return recorder.progress.size() >= 10u * run; }));
    // A report may already be posted to the window: the wait runs it.
    scanner.StopAndWait();
    EXPECT_FALSE(scanner.IsRunning());
    EXPECT_EQ(recorder.Count("Finished"), 3u * run);  // surface pass, files pass, run
    EXPECT_EQ(recorder.reports.back(), "Finished");
    // An event posted before the wait finds nothing left to run.
    const std::size_t reports = recorder.reports.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.reports.size(), reports);
  }
  EXPECT_THAT(recorder.threads, Each(std::this_thread::get_id()));
}

// Many short runs through a window, each ended in another way while reports
// are in flight: none may hang, crash or race.
TEST_F(WindowBridgeTest, QuickStartStopAndDestroyCycles) {
  ScriptSession(64);
  fake::SetRecording(false);
  fake::script().readFailures[kStart + 5] = 2;
  fake::script().directories[u""] = {{u"A", false}};
  const DeviceContext context(u'D');
  std::mt19937 random(20240602);
  for (int cycle = 0; cycle < 120; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    Recorder recorder;
    auto window = std::make_unique<ReceiverWindow>(recorder);
    auto scanner =
        std::make_unique<SectorScanner>(std::make_unique<WindowBridge>(window.get()), window.get());
    const bool filesTest = cycle % 3 == 0;
    ASSERT_TRUE(scanner->Start(true, filesTest, &context));
    const std::size_t reports = random() % 60;
    ASSERT_TRUE(RunUntil([&] {
      return recorder.reports.size() >= reports || recorder.Count("Finished") == 2u + filesTest;
    }));
    switch (random() % 4) {
      case 0:  // the scanner goes first, perhaps with a report posted
        scanner.reset();
        window.reset();
        break;
      case 1:  // the window goes first; the scan runs on without it
        window.reset();
        QCoreApplication::processEvents();
        scanner.reset();
        break;
      case 2:
        scanner->StopAndWait();
        EXPECT_EQ(recorder.reports.back(), "Finished");
        break;
      case 3:
        scanner->Stop();
        ASSERT_TRUE(RunUntil([&] { return recorder.Count("Finished") == 2u + filesTest; }));
        break;
    }
  }
}

}  // namespace
