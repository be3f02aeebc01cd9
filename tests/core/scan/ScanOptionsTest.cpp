// The surface scan's options against the scripted engine: each read size
// gives the classes, counters and reports of the one-sector scan; attempts,
// skip, range and retry give their own defined tables.
#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "Recorder.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/ReadSpeeds.h"
#include "core/scan/SectorScanner.h"

namespace {

constexpr std::int32_t kStart = 1000;  // first sector of the session
constexpr std::int32_t kCount = 40;

// A table written one character a sector: '-' not checked, 'g' good, 'P'
// problem, 'E' error.
std::vector<std::uint8_t> Classes(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(std::string("-gPE").find(c)));
  return out;
}

std::string Text(const std::vector<std::uint8_t>& table) {
  std::string out;
  for (const std::uint8_t code : table) out += "-gPE"[code & 3];
  return out;
}

// The one-sector scan of the damaged session below with five attempts.
const std::string kReference = "gggPggggggPEggggggggEPgggggggggggggEgggg";

// What one scan reported and left.
struct Outcome {
  std::string table;
  std::vector<std::string> log;       // without times
  std::vector<std::string> progress;  // total/current, counters, text (no speed)
  std::int32_t problems = 0;
  std::int32_t errors = 0;
};

// One surface scan of the scripted medium with options, run to its end.
struct ScanRun {
  explicit ScanRun(const ScanOptions& options) {
    scanner.options = options;
    started = scanner.Start(true, false, &context);
    scanner.Wait();
  }
  Recorder receiver;
  const DeviceContext context{u'D'};
  SectorScanner scanner{std::make_unique<DirectBridge>(), &receiver};
  bool started = false;
};

class ScanOptionsTest : public ::testing::Test {
 protected:
  // A session of 40 sectors with faulty ones: how many reads of each fail
  // before one succeeds (-1: every read).
  static void ScriptDamagedSession() {
    fake::Reset();
    fake::SetRecording(false);
    fake::script().medium = fake::Medium(u"DVD-ROM", 1, 1, 1, 1);
    fake::script().sessions[1] = fake::Session(kCount, kStart, 1);
    for (const auto& [sector, failures] : std::map<std::int32_t, std::int32_t>{
             {3, 1}, {10, 4}, {11, 5}, {20, -1}, {21, 2}, {35, -1}})
      fake::script().readFailures[kStart + sector] = failures;
  }

  static Outcome Scan(const ScanOptions& options) {
    ScriptDamagedSession();
    const ScanRun run(options);
    EXPECT_TRUE(run.started);
    const Recorder& receiver = run.receiver;
    const SectorScanner& scanner = run.scanner;
    Outcome out;
    out.table = Text(scanner.surfaceState.sectors);
    for (const std::string& line : receiver.Named("Log"))
      out.log.push_back(line.substr(0, 5) + line.substr(line.find(' ', 6)));
    for (const ProgressCtx_t& p : receiver.progress)
      out.progress.push_back(std::to_string(p.total) + "/" + std::to_string(p.current) + " p" +
                             std::to_string(p.problems) + " e" + std::to_string(p.errors) + " " +
                             fake::Utf8(p.text));
    out.problems = scanner.progress.problems;
    out.errors = scanner.progress.errors;
    return out;
  }
};

TEST_F(ScanOptionsTest, EveryReadSizeGivesTheOneSectorScan) {
  const Outcome reference = Scan(ScanOptions{});
  ASSERT_EQ(reference.table, kReference);
  EXPECT_EQ(reference.problems, 3);
  EXPECT_EQ(reference.errors, 3);
  for (const int size : ScanOptions::kSectorsPerReadChoices) {
    SCOPED_TRACE("sectors per read " + std::to_string(size));
    ScanOptions options;
    options.sectorsPerRead = size;
    const Outcome outcome = Scan(options);
    EXPECT_EQ(outcome.table, reference.table);
    EXPECT_EQ(outcome.log, reference.log);
    EXPECT_EQ(outcome.progress, reference.progress);
  }
}

TEST_F(ScanOptionsTest, ReadsSeveralSectorsInOneCall) {
  ScanOptions options;
  options.sectorsPerRead = 16;
  ScriptDamagedSession();
  fake::script().readFailures.clear();
  fake::SetRecording(true);
  const ScanRun run(options);
  ASSERT_TRUE(run.started);
  EXPECT_THAT(fake::CallsNamed("ReadSectors"),
              testing::ElementsAre("ReadSectors(-1, 1000, 16, 0, 32768)",
                                   "ReadSectors(-1, 1016, 16, 0, 32768)",
                                   "ReadSectors(-1, 1032, 8, 0, 16384)"));
  EXPECT_EQ(Text(run.scanner.surfaceState.sectors), std::string(kCount, 'g'));
}

TEST_F(ScanOptionsTest, DefinedTablesOfTheOtherOptions) {
  struct Case {
    const char* what;
    ScanOptions options;
    std::string table;
    std::vector<std::string> infoLog;  // the Info entries
    std::int32_t total;                // sectors the progress counts
  };
  const std::string started = "Log 0 Surface scan started, start sector = ";
  ScanOptions attempts1, attempts2, attempts20, skip, skipBig, range, oneSector, retry, retryRange;
  attempts1.attempts = 1;
  attempts2.attempts = 2;
  attempts2.sectorsPerRead = 4;
  attempts20.attempts = 20;
  skip.skipAfterError = 3;
  skip.sectorsPerRead = 8;
  skipBig.skipAfterError = 100;
  range.firstSector = 5;
  range.lastSector = 25;
  range.sectorsPerRead = 32;
  oneSector.firstSector = oneSector.lastSector = 11;
  retry.retry = true;
  retry.sectorsPerRead = 8;
  retry.previous = Classes("gggPgg-gggPEggggggggEEgggggggggggggEggg");  // one short
  retryRange = retry;
  retryRange.firstSector = 10;
  retryRange.lastSector = 20;
  const Case cases[] = {
      {"1 attempt",
       attempts1,
       "gggEggggggEEggggggggEEgggggggggggggEgggg",
       {started + "0, end sector = 39"},
       40},
      {"2 attempts",
       attempts2,
       "gggPggggggEEggggggggEEgggggggggggggEgggg",
       {started + "0, end sector = 39"},
       40},
      {"20 attempts",
       attempts20,
       "gggPggggggPPggggggggEPgggggggggggggEgggg",
       {started + "0, end sector = 39"},
       40},
      {"skip 3",
       skip,
       "gggPggggggPE---gggggE---gggggggggggE---g",
       {started + "0, end sector = 39", "Log 0 Skipped sectors 12 to 14 after an error",
        "Log 0 Skipped sectors 21 to 23 after an error",
        "Log 0 Skipped sectors 36 to 38 after an error"},
       40},
      {"skip past the end",
       skipBig,
       "gggPggggggPE----------------------------",
       {started + "0, end sector = 39", "Log 0 Skipped sectors 12 to 39 after an error"},
       40},
      {"range",
       range,
       "-----gggggPEggggggggEPgggg--------------",
       {started + "5, end sector = 25"},
       21},
      {"one sector",
       oneSector,
       "-----------E----------------------------",
       {started + "11, end sector = 11"},
       1},
      {"retry", retry, kReference, {started + "0, end sector = 39, retrying 8 sectors"}, 8},
      {"retry of a range",
       retryRange,
       "ggg-gg-gggPEggggggggE-ggggggggggggg-ggg-",
       {started + "10, end sector = 20, retrying 3 sectors"},
       3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = Scan(c.options);
    EXPECT_EQ(outcome.table, c.table);
    std::vector<std::string> info;
    for (const std::string& line : outcome.log)
      if (line.rfind("Log 0 ", 0) == 0) info.push_back(line.substr(0, line.find(" [")));
    EXPECT_EQ(info, c.infoLog);
    ASSERT_FALSE(outcome.progress.empty());
    // The progress ends with every counted sector done.
    const std::string total = std::to_string(c.total);
    EXPECT_EQ(outcome.progress.back().substr(0, 2 * total.size() + 1), total + "/" + total);
  }
}

TEST_F(ScanOptionsTest, ARetryReadsOnlyWhatWasNotGood) {
  ScanOptions options;
  options.retry = true;
  options.previous = Classes(kReference);
  ScriptDamagedSession();
  const ScanRun run(options);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(Text(run.scanner.surfaceState.sectors), kReference);
  for (std::int32_t sector = 0; sector < kCount; ++sector)
    EXPECT_EQ(fake::ReadCount(kStart + sector) > 0,
              kReference[static_cast<std::size_t>(sector)] != 'g')
        << "sector " << sector;
}

// A speed chosen is set before the first read and given back after the
// last; none chosen leaves the drive alone. A drive that refuses says so.
TEST_F(ScanOptionsTest, TheReadSpeedHoldsForTheScan) {
  for (const std::int32_t refused : {0, 1}) {
    ScriptDamagedSession();
    fake::script().readFailures.clear();
    fake::script().results["SetReadSpeed"] = refused;
    fake::SetRecording(true);
    ScanOptions options;
    options.speed = 8;
    options.sectorsPerRead = 32;
    const ScanRun run(options);
    ASSERT_TRUE(run.started);
    std::vector<std::string> calls;
    for (const std::string& call : fake::Calls())
      if (call.rfind("SetReadSpeed", 0) == 0 || call.rfind("ReadSectors", 0) == 0)
        calls.push_back(call);
    EXPECT_THAT(calls, testing::ElementsAre(
                           "SetReadSpeed(-1, 11080)", "ReadSectors(-1, 1000, 32, 0, 65536)",
                           "ReadSectors(-1, 1032, 8, 0, 16384)", "SetReadSpeed(-1, 0)"));
    std::size_t refusals = 0;
    for (const std::string& line : run.receiver.Named("Log 0 "))
      refusals += line.ends_with(" The drive did not take the read speed 8x");
    EXPECT_EQ(refusals, refused ? 1u : 0u);
  }
  ScriptDamagedSession();
  fake::SetRecording(true);
  ASSERT_TRUE(ScanRun(ScanOptions{}).started);
  EXPECT_TRUE(fake::CallsNamed("SetReadSpeed").empty());
}

TEST(ReadSpeedsTest, SpeedsOfferedUpToTheDrivesFastest) {
  EXPECT_EQ(SpeedKB(10, u"CD-R"), 1764);
  EXPECT_EQ(SpeedKB(8, u"DVD-ROM"), 11080);
  EXPECT_EQ(SpeedKB(2, u"BD-RE"), 8992);
  EXPECT_THAT(OfferedSpeeds(7056, u"CD-ROM"),
              testing::ElementsAre(1, 2, 4, 8, 10, 12, 16, 20, 24, 32, 40));
  EXPECT_THAT(OfferedSpeeds(22160, u"DVD+R"), testing::ElementsAre(1, 2, 4, 6, 8, 12, 16));
  EXPECT_THAT(OfferedSpeeds(10560, u"DVD-ROM"), testing::ElementsAre(1, 2, 4, 6, 8));
  EXPECT_THAT(OfferedSpeeds(0, u"BD-ROM"), testing::IsEmpty());
}

TEST_F(ScanOptionsTest, InvalidOptionsStartNothing) {
  ScanOptions sizes, attempts, range;
  sizes.sectorsPerRead = 3;
  attempts.attempts = 21;
  range.firstSector = 10;
  range.lastSector = 9;
  ScriptDamagedSession();
  for (const ScanOptions& options : {sizes, attempts, range}) {
    const ScanRun run(options);
    EXPECT_FALSE(run.started);
    EXPECT_TRUE(run.receiver.reports.empty());
  }
}

// A disc of two sessions: 10 sectors from 0, 8 from 20 (a gap between them,
// as the lead-out and lead-in of a CD's first session leave). The last
// session is numbered from its start; another session, or the whole disc,
// from the disc's start, reading only the sessions' sectors and saying so.
TEST_F(ScanOptionsTest, TheSessionChosenAndItsNumbering) {
  struct Case {
    std::int32_t session;
    std::int32_t firstSector;
    std::string table;
    // Addresses and counts; a read of several that fails is read again a
    // sector at a time.
    std::vector<std::string> reads;
    std::string startLine;
    std::int32_t total;
  };
  const std::string started = "Log 0 Surface scan started, start sector = ";
  const Case cases[] = {
      {kLastSession,
       0,
       "ggggggEg",
       {"20 4", "24 4", "24 1", "25 1", "26 1", "27 1"},
       started + "0, end sector = 7",
       8},
      {1,
       0,
       "gggEgggggg",
       {"0 4", "0 1", "1 1", "2 1", "3 1", "4 4", "8 2"},
       started + "0, end sector = 9, session 1 of 2, sectors counted from the disc's start",
       10},
      {2,
       0,
       "--------------------ggggggEg",
       {"20 4", "24 4", "24 1", "25 1", "26 1", "27 1"},
       started + "20, end sector = 27, session 2 of 2, sectors counted from the disc's start",
       8},
      {kWholeDisc,
       0,
       "gggEgggggg----------ggggggEg",
       {"0 4", "0 1", "1 1", "2 1", "3 1", "4 4", "8 2", "20 4", "24 4", "24 1", "25 1", "26 1",
        "27 1"},
       started + "0, end sector = 27, whole disc (sessions 1 to 2), sectors counted from the "
                 "disc's start",
       18},
      // A range in the disc's numbering.
      {kWholeDisc,
       8,
       "--------gg----------ggggggEg",
       {"8 2", "20 4", "24 4", "24 1", "25 1", "26 1", "27 1"},
       started + "8, end sector = 27, whole disc (sessions 1 to 2), sectors counted from the "
                 "disc's start",
       10},
      // No such session: nothing is read.
      {3,
       0,
       "",
       {},
       started + "0, end sector = -1, session 3 of 2, sectors counted from the disc's start",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("session " + std::to_string(c.session) + " from " + std::to_string(c.firstSector));
    fake::Reset();
    fake::script().medium = fake::Medium(u"CD-ROM", 1, 2, 1, 2);
    fake::script().sessions[1] = fake::Session(10, 0, 1);
    fake::script().sessions[2] = fake::Session(8, 20, 2);
    fake::script().readFailures = {{3, -1}, {26, -1}};
    ScanOptions options;
    options.session = c.session;
    options.firstSector = c.firstSector;
    options.sectorsPerRead = 4;
    options.attempts = 1;
    const ScanRun run(options);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(Text(run.scanner.surfaceState.sectors), c.table);
    std::vector<std::string> reads;
    for (const std::string& call : fake::CallsNamed("ReadSectors")) {
      // "ReadSectors(-1, ADDRESS, COUNT, 0, BYTES)"
      const std::size_t address = call.find(", ") + 2;
      const std::size_t count = call.find(", ", address) + 2;
      reads.push_back(call.substr(address, call.find(',', address) - address) + " " +
                      call.substr(count, call.find(',', count) - count));
    }
    EXPECT_EQ(reads, c.reads);
    const std::vector<std::string> log = run.receiver.Named("Log 0");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().substr(0, log.front().find(" [")).erase(5, log.front().find(' ', 6) - 5),
              c.startLine);
    EXPECT_EQ(run.scanner.progress.total, c.total);
    EXPECT_EQ(run.scanner.extent.fromDiscStart, c.session != kLastSession);
  }
}

}  // namespace
