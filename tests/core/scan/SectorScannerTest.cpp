#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <memory>

#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/rescue/CopyJob.h"
#include "core/scan/SectorScanner.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

constexpr std::int32_t kStart = 1000;  // first sector of the last session

class SectorScannerTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  // A medium of two sessions; the last one holds count sectors from kStart,
  // first track 3.
  static void ScriptSession(std::int32_t count) {
    fake::script().medium = fake::Medium(u"DVD-ROM", 1, 2, 1, 3);
    fake::script().sessions[1] = fake::Session(500, 0, 1);
    fake::script().sessions[2] = fake::Session(count, kStart, 3);
  }

  // A file tree of A.TXT and DIR holding B.BIN and C.DAT.
  static void ScriptFiles() {
    fake::script().directories[u""] = {{u"A.TXT", false}, {u"DIR", true}};
    fake::script().directories[u"/DIR"] = {{u"B.BIN", false}, {u"C.DAT", false}};
  }

  // The steady clock is the tick count in milliseconds plus micros.
  SectorScanner::Clocks TestClocks() {
    return {[this] { return std::uint64_t{ticks.load()} * 1000 + micros.load(); },
            [this] { return TimeValue{now++}; }};
  }

  // Builds the context and a scanner on the direct bridge.
  void Prepare() {
    context = std::make_unique<DeviceContext>(u'D');
    scanner =
        std::make_unique<SectorScanner>(std::make_unique<DirectBridge>(), &receiver, TestClocks());
    receiver.scanner = scanner.get();
  }

  // Runs one scan to its end; the reports are recorded on the worker and read
  // here after it has been joined.
  void Run(bool surfaceScan, bool filesTest) {
    Prepare();
    ASSERT_TRUE(scanner->Start(surfaceScan, filesTest, context.get()));
    scanner->Wait();
  }

  std::vector<std::uint8_t> Table() {
    std::lock_guard lock(scanner->stateLock);
    return scanner->surfaceState.sectors;
  }

  std::atomic<std::uint32_t> ticks{0};
  std::atomic<std::uint64_t> micros{0};
  std::atomic<std::int64_t> now{1000};
  Recorder receiver;
  std::unique_ptr<DeviceContext> context;
  std::unique_ptr<SectorScanner> scanner;
};

TEST_F(SectorScannerTest, SurfaceScanReportsEachStepInOrder) {
  ScriptSession(2);
  Run(true, false);
  EXPECT_THAT(receiver.reports,
              ElementsAreArray(
                  {"Started", "Started", "Progress 2/0 p0 e0 0 Surface Scan.", "Table n=2 00",
                   "Log 0 @1000 Surface scan started, start sector = 0, end sector = 1 [p0 e0]",
                   "Progress 2/1 p0 e0 0 Surface Scan. Sector 0 from 2",
                   "Progress 2/1 p0 e0 2048000 Surface Scan. Sector 0 from 2", "Table n=2 10",
                   "Progress 2/2 p0 e0 2048000 Surface Scan. Sector 1 from 2",
                   "Progress 2/2 p0 e0 2048000 Surface Scan. Sector 1 from 2", "Table n=2 11",
                   "Finished", "Finished"}));
  EXPECT_THAT(fake::CallsNamed("ReadSectors"), ElementsAre("ReadSectors(-1, 1000, 1, 0, 2048)",
                                                           "ReadSectors(-1, 1001, 1, 0, 2048)"));
  EXPECT_FALSE(scanner->IsRunning());
}

TEST_F(SectorScannerTest, StatusTextsNameEverySector) {
  ScriptSession(5);
  Run(true, false);
  std::vector<std::string> texts;
  for (const ProgressCtx_t& p : receiver.progress) texts.push_back(fake::Utf8(p.text));
  EXPECT_THAT(texts,
              ElementsAreArray({"Surface Scan.", "Surface Scan. Sector 0 from 5",
                                "Surface Scan. Sector 0 from 5", "Surface Scan. Sector 1 from 5",
                                "Surface Scan. Sector 1 from 5", "Surface Scan. Sector 2 from 5",
                                "Surface Scan. Sector 2 from 5", "Surface Scan. Sector 3 from 5",
                                "Surface Scan. Sector 3 from 5", "Surface Scan. Sector 4 from 5",
                                "Surface Scan. Sector 4 from 5"}));
  EXPECT_THAT(receiver.Named("Log"),
              ElementsAre("Log 0 @1000 Surface scan started, start sector = 0, end sector = 4 "
                          "[p0 e0]"));
  EXPECT_EQ(receiver.progress.back().current, 5);
  EXPECT_EQ(receiver.progress.back().total, 5);
}

// A bridge to a window's thread wakes two threads for each hand-over: the
// reports between two reads go over together, whatever they are.
TEST_F(SectorScannerTest, ASurfaceScanHandsOverOnceBetweenTwoReads) {
  class CountingBridge final : public ScannerBridge {
   public:
    explicit CountingBridge(int& counter) : sends(counter) {}
    void Send(const ScannerCall& call) override {
      ++sends;
      direct.Send(call);
    }
    void ServeUntil(const std::function<bool()>& done) override { direct.ServeUntil(done); }
    void Close() override { direct.Close(); }

   private:
    int& sends;
    DirectBridge direct;
  };
  const auto handOvers = [&](std::int32_t sectors) {
    fake::Reset();
    ScriptSession(sectors);
    fake::script().readFailures[kStart + 3] = 1;   // a problem
    fake::script().readFailures[kStart + 4] = -1;  // an error
    int sends = 0;
    Recorder recorder;
    const DeviceContext disc(u'D');
    SectorScanner counted(std::make_unique<CountingBridge>(sends), &recorder, TestClocks());
    EXPECT_TRUE(counted.Start(true, false, &disc));
    counted.Wait();
    EXPECT_EQ(recorder.progress.back().current, sectors);
    return sends;
  };
  EXPECT_EQ(handOvers(1000) - handOvers(10), 990);
}

TEST_F(SectorScannerTest, MediumWithoutSectorsIsScannedAsEmpty) {
  struct Case {
    const char* what;
    std::function<void()> script;
  };
  const Case cases[] = {
      {"no medium", [] { fake::script().results["GetMediumInformation"] = 1; }},
      {"medium whose last session has no record (sector count -1)",
       [] { fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1); }},
      {"medium without sessions",
       [] { fake::script().medium = fake::Medium(u"CD-ROM", 0, 0, 1, 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    receiver = Recorder{};
    now = 1000;
    c.script();
    Run(true, false);
    EXPECT_THAT(
        receiver.reports,
        ElementsAre("Started", "Started", "Progress 0/0 p0 e0 0 Surface Scan.", "Table n=0 ",
                    "Log 0 @1000 Surface scan started, start sector = 0, end sector = -1 "
                    "[p0 e0]",
                    "Finished", "Finished"));
    EXPECT_THAT(fake::CallsNamed("ReadSectors"), IsEmpty());
  }
}

TEST_F(SectorScannerTest, ClassifiesBySectorFailedAttempts) {
  struct Case {
    std::int32_t failures;  // failed reads before one succeeds; -1 = every read fails
    SectorState state;
    std::int32_t reads;
    std::vector<std::string> log;  // entries after the start line
    std::int32_t problems, errors;
  };
  const std::string problem = "Log 1 @1001 Sector problem #0 [p0 e0]";
  const std::string error = "Log 2 @1001 Sector error #0 [p0 e0]";
  const Case cases[] = {
      {0, SectorState::Good, 1, {}, 0, 0},
      {1, SectorState::Problem, 2, {problem}, 1, 0},
      {2, SectorState::Problem, 3, {problem}, 1, 0},
      {3, SectorState::Problem, 4, {problem}, 1, 0},
      {4, SectorState::Problem, 5, {problem}, 1, 0},
      {5, SectorState::Error, 5, {error}, 0, 1},  // no sixth attempt
      {-1, SectorState::Error, 5, {error}, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("failures " + std::to_string(c.failures));
    fake::Reset();
    receiver = Recorder{};
    now = 1000;
    ScriptSession(1);
    fake::script().readFailures[kStart] = c.failures;
    Run(true, false);
    EXPECT_THAT(Table(), ElementsAre(static_cast<std::uint8_t>(c.state)));
    EXPECT_EQ(fake::ReadCount(kStart), c.reads);
    std::vector<std::string> log = receiver.Named("Log");
    log.erase(log.begin());
    EXPECT_EQ(log, c.log);
    // The counter rises after the entry: the next progress report has it.
    EXPECT_EQ(receiver.progress.back().problems, c.problems);
    EXPECT_EQ(receiver.progress.back().errors, c.errors);
  }
}

TEST_F(SectorScannerTest, SpeedOfEachSectorFromTheTickCount) {
  struct Case {
    const char* what;
    std::uint32_t startTick;
    std::uint32_t msPerRead;
    std::int32_t failures;
    std::int32_t speed;
  };
  const Case cases[] = {
      {"a read within one tick counts as 1 ms", 0, 0, 0, 2048000},
      {"16 ms", 0, 16, 0, 128000},
      {"every attempt counts: two reads of 8 ms", 0, 8, 1, 128000},
      {"the tick count wraps at 2^32", 0xFFFFFFF8u, 16, 0, 128000},
      {"integer division", 0, 3, 0, 682666},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    receiver = Recorder{};
    ticks = c.startTick;
    ScriptSession(1);
    fake::script().readFailures[kStart] = c.failures;
    fake::script().onRead = [this, ms = c.msPerRead](std::int32_t) { ticks += ms; };
    Run(true, false);
    EXPECT_EQ(receiver.progress.back().speed, c.speed);
  }
}

TEST_F(SectorScannerTest, StopDuringASectorEndsThePassAfterIt) {
  for (const std::int32_t k : {0, 2, 3}) {
    SCOPED_TRACE("stop during sector " + std::to_string(k));
    fake::Reset();
    receiver = Recorder{};
    ScriptSession(4);
    fake::script().readFailures[kStart + k] = 1;
    fake::script().onRead = [this, k](std::int32_t address) {
      if (address == kStart + k) scanner->Stop();
    };
    Run(true, false);
    const ProgressCtx_t& last = receiver.progress.back();
    EXPECT_EQ(last.current, k + 1);
    EXPECT_EQ(last.problems, 1);  // sector k was still read to its end
    std::vector<std::uint8_t> expected(4, 0);
    for (std::int32_t i = 0; i < k; ++i) expected[i] = 1;
    expected[k] = 2;
    EXPECT_EQ(Table(), expected);
    EXPECT_EQ(fake::ReadCount(kStart + k + 1), 0);
    EXPECT_THAT(std::vector(receiver.reports.end() - 3, receiver.reports.end()),
                ElementsAre(::testing::StartsWith("Table"), "Finished", "Finished"));
    EXPECT_FALSE(scanner->IsRunning());
  }
}

// The medium taken out (or the tray opened) during a scan, or the image file
// under a virtual drive changed: the read gives the engine's no-medium or
// image-changed result, and the run ends there as a stop would, with one
// entry that names the sector.
TEST_F(SectorScannerTest, MediumRemovedDuringTheSurfaceScanEndsTheRun) {
  const struct {
    std::int32_t k;
    std::int32_t sectorsPerRead;
    std::int32_t result;
    const char* entry;
  } cases[] = {
      {0, 1, wrenlo::kResultNoMedium, "Medium removed at sector 0 #0"},
      {4, 1, wrenlo::kResultNoMedium, "Medium removed at sector 4 #4"},
      {4, 1, wrenlo::kResultImageChanged, "The image file changed at sector 4 #4"},
      {4, 4, wrenlo::kResultImageChanged, "The image file changed at sector 4 #4"},
  };
  for (const auto& [k, sectorsPerRead, result, entry] : cases) {
    SCOPED_TRACE(entry);
    fake::Reset();
    receiver = Recorder{};
    now = 1000;
    ScriptSession(10);
    ScriptFiles();
    fake::script().onRead = [k, result](std::int32_t address) {
      if (address == kStart + k) fake::script().results["ReadSectors"] = result;
    };
    Prepare();
    scanner->options.sectorsPerRead = sectorsPerRead;
    ASSERT_TRUE(scanner->Start(true, true, context.get()));
    scanner->Wait();
    EXPECT_EQ(fake::ReadCount(kStart + k), 1) << "no retries without a medium";
    EXPECT_EQ(fake::ReadCount(kStart + k + 1), 0);
    std::vector<std::uint8_t> expected(10, 0);
    for (std::int32_t i = 0; i < k; ++i) expected[i] = 1;
    EXPECT_EQ(Table(), expected);
    const std::vector<std::string> log = receiver.Named("Log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "Log 0 @1001 " + std::string(entry) + " [p0 e0]");
    // Only the sectors read count as checked; the files test is not tried.
    EXPECT_EQ(receiver.progress.back().current, k);
    EXPECT_EQ(receiver.progress.back().errors, 0);
    EXPECT_THAT(fake::CallsNamed("VerifyFile"), IsEmpty());
    EXPECT_THAT(std::vector(receiver.reports.end() - 2, receiver.reports.end()),
                ElementsAre("Finished", "Finished"));
    EXPECT_FALSE(scanner->IsRunning());
  }
}

TEST_F(SectorScannerTest, MediumRemovedDuringTheFilesTestEndsIt) {
  ScriptSession(10);
  ScriptFiles();
  fake::script().onVerify = [](const std::u16string& path) {
    if (path == u"/DIR/B.BIN") fake::script().results["VerifyFile"] = wrenlo::kResultNoMedium;
  };
  Run(false, true);
  EXPECT_THAT(receiver.Named("Log"),
              ElementsAre("Log 0 @1000 Medium removed at file /DIR/B.BIN [p0 e0]"));
  EXPECT_EQ(fake::CallsNamed("VerifyFile").size(), 2u);
  EXPECT_EQ(receiver.progress.back().current, 1);
  EXPECT_EQ(receiver.progress.back().errors, 0);
  EXPECT_EQ(receiver.Count("Finished"), 2u);
}

TEST_F(SectorScannerTest, AnImageChangedDuringTheFilesTestEndsIt) {
  ScriptSession(10);
  ScriptFiles();
  fake::script().onVerify = [](const std::u16string& path) {
    if (path == u"/DIR/B.BIN") fake::script().results["VerifyFile"] = wrenlo::kResultImageChanged;
  };
  Run(false, true);
  EXPECT_THAT(receiver.Named("Log"),
              ElementsAre("Log 0 @1000 The image file changed at file /DIR/B.BIN [p0 e0]"));
  EXPECT_EQ(fake::CallsNamed("VerifyFile").size(), 2u);
  EXPECT_EQ(receiver.progress.back().errors, 0);
  EXPECT_EQ(receiver.Count("Finished"), 2u);
}

TEST_F(SectorScannerTest, RecentSpeedIsTheRateOfTheLastHalfSecond) {
  struct Case {
    const char* what;
    std::int32_t sectors;
    std::function<std::uint64_t(std::int32_t sector)> microsPerRead;
    std::int32_t failingSector;  // -1: none
    std::int32_t recentSpeed;
  };
  const Case cases[] = {
      // 2048 bytes in 700 us: far below a millisecond tick.
      {"fast reads", 3000, [](std::int32_t) { return 700; }, -1, 2925714},
      {"slow reads after fast ones: only the last half second counts", 1100,
       [](std::int32_t sector) { return sector < 1000 ? 100 : 10000; }, -1, 204800},
      // 20 reads of 50 ms, the last failing 5 times: the last half second
      // holds sectors 14 to 18 and the failed one.
      {"a failed sector delivers nothing", 20, [](std::int32_t) { return 50000; }, 19, 20480},
      {"no time has passed", 5, [](std::int32_t) { return 0; }, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::SetRecording(false);
    receiver = Recorder{};
    micros = 0;
    ScriptSession(c.sectors);
    if (c.failingSector >= 0) fake::script().readFailures[kStart + c.failingSector] = -1;
    fake::script().onRead = [this, &c](std::int32_t address) {
      micros += c.microsPerRead(address - kStart);
    };
    Run(true, false);
    EXPECT_EQ(receiver.progress.back().recentSpeed, c.recentSpeed);
    fake::SetRecording(true);
  }
}

// The files test's speed: the sectors of the files verified over the time
// taken; a file that fails delivers nothing.
TEST_F(SectorScannerTest, FilesTestSpeedFromTheSectorsOfItsFiles) {
  ScriptSession(10);
  ScriptFiles();
  fake::script().layout = {{wrenlo::kLayoutFile, u"/A.TXT", 100 * 2048, {{100, 100}}},
                           {wrenlo::kLayoutFile, u"/DIR/B.BIN", 50 * 2048, {{200, 50}}},
                           {wrenlo::kLayoutFile, u"/DIR/C.DAT", 0, {}}};
  fake::script().failingFiles = {u"/DIR/B.BIN"};
  fake::script().onVerify = [this](const std::u16string&) { micros += 100000; };
  Run(false, true);
  std::vector<std::int32_t> speeds;
  for (const ProgressCtx_t& p : receiver.progress) speeds.push_back(p.recentSpeed);
  // 100 sectors in 0.1 s; then nothing in the next 0.1 s; then an empty file.
  EXPECT_THAT(speeds, ElementsAre(0, 0, 2048000, 2048000, 1024000, 1024000, 682666));
}

TEST_F(SectorScannerTest, EachPassIsNamedAndTimedAtItsEnd) {
  ScriptSession(3);
  ScriptFiles();
  fake::script().onRead = [this](std::int32_t) { micros += 1000; };
  fake::script().onVerify = [this](const std::u16string&) { micros += 200000; };
  std::vector<std::pair<ScanPass, std::uint64_t>> ends;
  Prepare();
  receiver.afterReport = [&] {
    if (receiver.reports.back() == "Finished")
      ends.emplace_back(scanner->pass, scanner->passMicroseconds);
  };
  ASSERT_TRUE(scanner->Start(true, true, context.get()));
  scanner->Wait();
  ASSERT_EQ(ends.size(), 3u);
  EXPECT_EQ(ends[0], std::pair(ScanPass::SurfaceScan, std::uint64_t{3000}));
  EXPECT_EQ(ends[1], std::pair(ScanPass::FilesTest, std::uint64_t{600000}));
  EXPECT_EQ(ends[2].first, ScanPass::None);  // the run
}

TEST_F(SectorScannerTest, FilesTestVerifiesEachFileOnItsOwnSession) {
  ScriptSession(10);
  ScriptFiles();
  fake::script().failingFiles = {u"/DIR/B.BIN"};
  Run(false, true);
  EXPECT_THAT(receiver.reports,
              ElementsAreArray(
                  {"Started", "Started", "Progress 3/0 p0 e0 0 ", "Progress 3/0 p0 e0 0 /A.TXT",
                   "Progress 3/1 p0 e0 0 /A.TXT", "Progress 3/1 p0 e0 0 /DIR/B.BIN",
                   "Log 2 @1000 File error: /DIR/B.BIN [p0 e1]", "Progress 3/2 p0 e1 0 /DIR/B.BIN",
                   "Progress 3/2 p0 e1 0 /DIR/C.DAT", "Progress 3/3 p0 e1 0 /DIR/C.DAT", "Finished",
                   "Finished"}));
  // After the walk's own session, one session per file on the last session's
  // first track, with the engine's choice of file system.
  EXPECT_THAT(fake::CallsNamed("OpenDiskSession"),
              ElementsAre("OpenDiskSession(-1, 3, 0)", "OpenDiskSession(-1, 3, 0)",
                          "OpenDiskSession(-1, 3, 0)", "OpenDiskSession(-1, 3, 0)"));
  std::vector<std::string> verified;
  for (const std::string& call : fake::CallsNamed("VerifyFile"))
    verified.push_back(call.substr(call.find(", ")));
  EXPECT_THAT(verified, ElementsAre(", \"/A.TXT\")", ", \"/DIR/B.BIN\")", ", \"/DIR/C.DAT\")"));
  EXPECT_EQ(fake::OpenHandles(), 0);
  EXPECT_THAT(fake::CallsNamed("ReadSectors"), IsEmpty());
}

TEST_F(SectorScannerTest, FilesTestOfAnEmptyListVerifiesNothing) {
  ScriptSession(10);
  fake::script().directories[u""] = {};
  Run(false, true);
  EXPECT_THAT(receiver.reports,
              ElementsAre("Started", "Started", "Progress 0/0 p0 e0 0 ", "Finished", "Finished"));
  EXPECT_THAT(fake::CallsNamed("VerifyFile"), IsEmpty());
}

TEST_F(SectorScannerTest, FilesTestLogsWhatItCannotList) {
  ScriptSession(10);
  fake::script().directories[u""] = {{u"A.TXT", false}, {u"DIR", true}};
  // DIR does not open.
  Run(false, true);
  EXPECT_THAT(receiver.reports, ElementsAre("Started", "Started", "Progress 1/0 p0 e0 0 ",
                                            "Log 2 @1000 File system error: /DIR: result 1 [p0 e0]",
                                            "Progress 1/0 p0 e0 0 /A.TXT",
                                            "Progress 1/1 p0 e0 0 /A.TXT", "Finished", "Finished"));
  EXPECT_EQ(scanner->unlistedFolders, 1);
}

TEST_F(SectorScannerTest, BothPassesInOneRun) {
  ScriptSession(3);
  ScriptFiles();
  fake::script().readFailures[kStart + 1] = -1;
  Run(true, true);
  std::vector<std::string> brackets;
  for (const std::string& line : receiver.reports)
    if (line == "Started" || line == "Finished") brackets.push_back(line);
  EXPECT_THAT(brackets,
              ElementsAre("Started", "Started", "Finished", "Started", "Finished", "Finished"));
  // The files test starts its counters from 0 after the surface scan's error.
  const auto firstFiles =
      std::find(receiver.reports.begin(), receiver.reports.end(), "Progress 3/0 p0 e0 0 ");
  ASSERT_NE(firstFiles, receiver.reports.end());
  EXPECT_EQ(*(firstFiles - 2), "Finished");
  EXPECT_EQ(receiver.progress.back().current, 3);
  EXPECT_EQ(fake::CallsNamed("VerifyFile").size(), 3u);
  // The files test keeps the table of the surface scan.
  EXPECT_THAT(Table(), ElementsAre(1, 3, 1));
}

TEST_F(SectorScannerTest, StopDuringTheSurfaceScanStillVerifiesTheFirstFile) {
  ScriptSession(4);
  ScriptFiles();
  fake::script().onRead = [this](std::int32_t address) {
    if (address == kStart + 1) scanner->Stop();
  };
  Run(true, true);
  EXPECT_EQ(fake::ReadCount(kStart + 2), 0);
  EXPECT_EQ(fake::CallsNamed("VerifyFile").size(), 1u);
  EXPECT_THAT(std::vector(receiver.reports.end() - 4, receiver.reports.end()),
              ElementsAre("Progress 3/0 p0 e0 0 /A.TXT", "Progress 3/1 p0 e0 0 /A.TXT", "Finished",
                          "Finished"));
}

TEST_F(SectorScannerTest, OneWorkerAtATime) {
  ScriptSession(3);
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  fake::script().onRead = [&](std::int32_t address) {
    if (address != kStart) return;
    entered.set_value();
    released.wait();
  };
  Prepare();
  EXPECT_FALSE(scanner->Start(true, false, nullptr));
  ASSERT_TRUE(scanner->Start(true, false, context.get()));
  entered.get_future().wait();
  EXPECT_TRUE(scanner->IsRunning());
  EXPECT_FALSE(scanner->Start(true, false, context.get())) << "a run goes on";
  scanner->Stop();
  EXPECT_FALSE(scanner->IsRunning());
  EXPECT_FALSE(scanner->Start(true, false, context.get())) << "the stopped worker still reads";
  release.set_value();
  scanner->Wait();
  EXPECT_EQ(fake::ReadCount(kStart + 1), 0);
  EXPECT_EQ(receiver.Count("Finished"), 2u);

  fake::script().onRead = nullptr;
  ASSERT_TRUE(scanner->Start(true, false, context.get()));
  scanner->Wait();
  EXPECT_EQ(fake::ReadCount(kStart + 2), 1);
  EXPECT_EQ(receiver.Count("Finished"), 4u);
}

TEST_F(SectorScannerTest, DestroyingARunningScannerStopsItAndDropsTheRestOfItsReports) {
  ScriptSession(1000000);
  fake::SetRecording(false);
  std::promise<void> reading;
  fake::script().onRead = [&](std::int32_t address) {
    if (address == kStart + 10) reading.set_value();
  };
  Prepare();
  ASSERT_TRUE(scanner->Start(true, true, context.get()));
  reading.get_future().wait();
  scanner.reset();
  context.reset();
  EXPECT_EQ(receiver.Count("Finished"), 0u);
  EXPECT_THAT(fake::CallsNamed("VerifyFile"), IsEmpty());
}

}  // namespace

namespace {

// A copy to an image on the scanner's worker reports as a surface scan: the
// table classes each sector of the session (Good at the first read, Problem
// after a later pass, Error not copied), the progress counts them, and the
// log names each pass; a stop ends it with its mapfile written.
TEST_F(SectorScannerTest, CopyToImageReportsAsASurfaceScan) {
  ScriptSession(40);
  fake::script().tracks[3].mode = 1;
  fake::script().trackExtents[3] = {2, kStart, 40};
  fake::script().readFailures[kStart + 10] = -1;
  fake::script().readFailures[kStart + 20] = 1;
  const std::string folder = ::testing::TempDir() + "scanner-copy-" + std::to_string(::getpid());
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  Prepare();
  auto job = std::make_shared<CopyJob>();
  CopyRequest request;
  request.image = folder + "/copy.iso";
  request.options.sectorsPerRead = 8;
  std::string error;
  ASSERT_TRUE(job->Prepare(*context, request, error)) << error;
  ASSERT_TRUE(scanner->StartCopy(context.get(), job));
  scanner->Wait();

  // The reads of 8 sectors that met 10 and 20 failed: the rest of those
  // blocks was copied by trimming and scraping.
  std::vector<std::uint8_t> expected(40, 1);
  std::fill(expected.begin() + 8, expected.begin() + 24, 2);
  expected[10] = 3;
  EXPECT_EQ(Table(), expected);
  const ProgressCtx_t& last = receiver.progress.back();
  EXPECT_EQ(last.total, 40);
  EXPECT_EQ(last.current, 40);
  EXPECT_EQ(last.problems, 15);
  EXPECT_EQ(last.errors, 1);
  EXPECT_EQ(scanner->copyEnd, static_cast<int>(CopyEnd::Finished));
  std::vector<std::string> log;
  for (const std::string& line : receiver.Named("Log"))
    log.push_back(line.substr(line.find(' ', 6) + 1));
  EXPECT_THAT(log, ElementsAre(testing::StartsWith("Copy to image started: " + request.image),
                               testing::StartsWith("Copying the sectors not tried yet, 8 a read"),
                               testing::StartsWith("Trimming the failed blocks' edges"),
                               testing::StartsWith("Scraping the rest of the failed blocks"),
                               testing::StartsWith("Retrying the bad sectors, pass 1 of 1")));
  EXPECT_TRUE(std::filesystem::exists(request.image + ".map"));
  std::filesystem::remove_all(folder);
}

}  // namespace
