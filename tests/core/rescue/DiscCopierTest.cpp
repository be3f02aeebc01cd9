// The copy's passes on a scripted source: what each pass reads, the map they
// leave, the image's bytes, stops and resumes, failed writes, and the
// mapfile's pace.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "core/io/SmallFile.h"
#include "core/rescue/DdrescueMapReader.h"
#include "core/rescue/DiscCopier.h"
#include "core/rescue/ImageFile.h"
#include "core/rescue/MapfileStore.h"

namespace {

namespace fs = std::filesystem;

// A disc of data sectors, each filled with bytes of its address, whose bad
// sectors fail every read (or a number of times, then read).
class ScriptedSource final : public CopySource {
 public:
  std::int64_t sectors = 0;
  std::set<std::int64_t> bad;
  std::map<std::int64_t, int> failuresLeft;
  // The image under a virtual drive changed: reads from here on fail so.
  std::int64_t changedAt = -1;
  std::vector<std::pair<std::int64_t, std::int32_t>> reads;  // address, count
  std::vector<int> speeds;

  static std::uint8_t Byte(std::int64_t address, std::size_t i) {
    return static_cast<std::uint8_t>(address * 7 + i / 64 + 1);
  }

  std::int32_t Read(std::int64_t address, std::int32_t count, std::uint8_t* out) override {
    reads.emplace_back(address, count);
    if (address < 0 || address + count > sectors) return 5;
    if (changedAt >= 0 && address + count > changedAt) return wrenlo::kResultImageChanged;
    bool fails = false;
    for (std::int64_t a = address; a < address + count; ++a) {
      if (bad.count(a) != 0) fails = true;
      const auto left = failuresLeft.find(a);
      if (left != failuresLeft.end() && left->second > 0) {
        fails = true;
        if (count == 1) --left->second;
      }
    }
    if (fails) return 6;
    for (std::int32_t s = 0; s < count; ++s)
      for (std::size_t i = 0; i < 2048; ++i) out[s * 2048 + i] = Byte(address + s, i);
    return 0;
  }
  bool SetSpeed(int x) override {
    speeds.push_back(x);
    return true;
  }
};

class Recorder final : public ICopyListener {
 public:
  std::vector<std::string> passes;
  std::map<std::int64_t, SectorState> states;
  int failedReads = 0;

  void OnPassStarted(CopyPass pass, int retry) override {
    passes.push_back(std::string(1, MapfileOperation(pass)) + std::to_string(retry));
  }
  void OnSectors(std::int64_t address, std::int64_t count, SectorState state) override {
    for (std::int64_t a = address; a < address + count; ++a) states[a] = state;
  }
  void OnRead(std::int64_t, std::int64_t, bool succeeded) override {
    failedReads += succeeded ? 0 : 1;
  }
  void OnLog(LogKind, const std::u16string&) override {}
};

CopyPlan IsoPlan(std::int64_t sectors) {
  CopyPlan plan;
  plan.extents = {{0, sectors, 0}};
  plan.imageSectors = static_cast<std::uint64_t>(sectors);
  plan.sessions = {{1, 0, sectors}};
  return plan;
}

std::string Statuses(const RescueMap& map) {
  std::string out;
  for (std::uint64_t s = 0; s < map.Size(); ++s) out += static_cast<char>(map.At(s));
  return out;
}

class DiscCopierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("lumeter-copier-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string Path(const std::string& name) const { return (folder / name).string(); }

  // Copies source per plan into image with its mapfile map (continued when
  // they are there), stopping when stop says; the copier's end.
  CopyEnd Copy(ScriptedSource& source, const CopyPlan& plan, const CopyOptions& options,
               const std::string& image, Recorder& recorder, std::function<bool()> stop = {},
               const DiscCopier::Clock& clock = DiscCopier::SteadyClock(), bool extend = true) {
    const std::string mapPath = image + ".map";
    RescueMap map(plan.imageSectors);
    const bool existing = fs::exists(image);
    if (existing) {
      std::string text, error;
      Mapfile mapfile;
      EXPECT_TRUE(ReadSmallFile(mapPath, 1 << 20, text, error)) << error;
      EXPECT_TRUE(ParseMapfile(text, mapfile, error)) << error;
      map = SectorMapOf(mapfile, plan.sectorBytes, plan.imageSectors);
    }
    ImageFile file;
    std::string error;
    EXPECT_TRUE(file.Open(image, existing, plan.imageSectors * plan.sectorBytes, error)) << error;
    MapfileStore store(mapPath, "test", plan.sectorBytes);
    DiscCopier copier(plan, source, file, map, store, options, recorder, clock);
    const CopyEnd end = copier.Run(stop);
    lastError = copier.Error();
    lastSaves = store.Saves();
    lastMap = map;
    if (extend) {
      EXPECT_TRUE(file.Extend(error)) << error;
    }
    return end;
  }

  // The image's bytes: the source's sectors where copied, zeros elsewhere.
  static std::string Expected(const RescueMap& map) {
    std::string bytes(static_cast<std::size_t>(map.Size()) * 2048, '\0');
    for (std::uint64_t s = 0; s < map.Size(); ++s)
      if (map.At(s) == BlockStatus::Finished)
        for (std::size_t i = 0; i < 2048; ++i)
          bytes[s * 2048 + i] =
              static_cast<char>(ScriptedSource::Byte(static_cast<std::int64_t>(s), i));
    return bytes;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  fs::path folder;
  std::string lastError;
  RescueMap lastMap;
  int lastSaves = 0;
};

// Two bad areas and a sector that reads on its second try: after all passes
// exactly the readable sectors are finished, the bad ones read alone in each
// pass, and the image holds each copied sector at its place.
TEST_F(DiscCopierTest, PassesFinishExactlyTheReadableSectors) {
  ScriptedSource source;
  source.sectors = 400;
  for (std::int64_t a = 100; a < 140; ++a) source.bad.insert(a);
  source.bad.insert(300);
  source.failuresLeft[250] = 1;
  const CopyPlan plan = IsoPlan(400);
  Recorder recorder;
  CopyOptions options;
  options.sectorsPerRead = 16;
  options.retries = 2;
  EXPECT_EQ(Copy(source, plan, options, Path("a.iso"), recorder), CopyEnd::Finished);

  std::string expected(400, '+');
  for (std::int64_t a = 100; a < 140; ++a) expected[static_cast<std::size_t>(a)] = '-';
  expected[300] = '-';
  EXPECT_EQ(Statuses(lastMap), expected);
  EXPECT_EQ(Read(Path("a.iso")), Expected(lastMap));
  EXPECT_EQ(recorder.passes, (std::vector<std::string>{"?0", "*0", "/0", "-1", "-2"}));
  // Sector 250 was copied after its block failed: a problem; the copy pass's
  // own sectors are good; the bad ones errors.
  EXPECT_EQ(recorder.states[250], SectorState::Problem);
  EXPECT_EQ(recorder.states[0], SectorState::Good);
  EXPECT_EQ(recorder.states[120], SectorState::Error);

  // The retry passes read each bad sector once, one at a time: the first
  // backward over 42 (250 among them, which then reads), the second forward
  // over the 41 left.
  const auto& reads = source.reads;
  ASSERT_GE(reads.size(), 83u);
  const auto second = reads.end() - 41, first = second - 42;
  EXPECT_EQ(first->first, 300);
  EXPECT_EQ((second - 1)->first, 100);
  EXPECT_EQ(second->first, 100);
  EXPECT_EQ(reads.back().first, 300);
  EXPECT_TRUE(std::all_of(first, reads.end(), [](const auto& read) { return read.second == 1; }));

  // Skipping: far fewer failed reads than bad sectors before trimming.
  std::size_t copyPassFailures = 0;
  for (const auto& [address, count] : source.reads)
    if (count > 1 && address + count > 100 && address < 140) ++copyPassFailures;
  EXPECT_LT(copyPassFailures, 5u);
}

// Without trimming the failed blocks are scraped whole; without scraping
// their insides stay non-scraped after trimming.
// An image file that changed under its virtual drive reads no more: the copy
// ends at once, saying why, rather than count the rest as bad sectors and
// retry them all.
TEST_F(DiscCopierTest, AChangedImageEndsTheCopy) {
  ScriptedSource source;
  source.sectors = 400;
  source.changedAt = 200;
  Recorder recorder;
  CopyOptions options;
  options.sectorsPerRead = 16;
  options.retries = 2;
  EXPECT_EQ(Copy(source, IsoPlan(400), options, Path("a.iso"), recorder), CopyEnd::Failed);
  EXPECT_EQ(lastError.rfind("the drive cannot be read: ", 0), 0u) << lastError;
  EXPECT_EQ(recorder.failedReads, 0);
  EXPECT_EQ(recorder.passes, std::vector<std::string>{"?0"});
  EXPECT_EQ(Statuses(lastMap).substr(0, 192), std::string(192, '+'));
}

TEST_F(DiscCopierTest, TrimAndScrapeCanBeLeftOut) {
  struct Case {
    bool trim, scrape;
    const char* around;  // sectors 95 to 145 after the copy
  };
  const Case cases[] = {
      {true, true, "+++++----------------------------------------++++++"},
      {false, true, "+++++----------------------------------------++++++"},
      {true, false, "+++++-//////////////////////////////////////-++++++"},
  };
  int n = 0;
  for (const Case& c : cases) {
    ScriptedSource source;
    source.sectors = 400;
    for (std::int64_t a = 100; a < 140; ++a) source.bad.insert(a);
    Recorder recorder;
    CopyOptions options;
    options.sectorsPerRead = 8;
    options.trim = c.trim;
    options.scrape = c.scrape;
    options.retries = 0;
    Copy(source, IsoPlan(400), options, Path("c" + std::to_string(n++) + ".iso"), recorder);
    EXPECT_EQ(Statuses(lastMap).substr(95, 51), c.around) << c.trim << c.scrape;
  }
}

// A copy stopped after any read and continued from its files ends with the
// same image and mapfile as one never stopped.
TEST_F(DiscCopierTest, StoppedAndContinuedEqualsUninterrupted) {
  const auto makeSource = [] {
    ScriptedSource source;
    source.sectors = 600;
    for (std::int64_t a = 50; a < 90; ++a) source.bad.insert(a);
    for (std::int64_t a = 333; a < 336; ++a) source.bad.insert(a);
    source.bad.insert(599);
    return source;
  };
  CopyOptions options;
  options.sectorsPerRead = 16;
  options.retries = 1;
  ScriptedSource whole = makeSource();
  Recorder recorder;
  ASSERT_EQ(Copy(whole, IsoPlan(600), options, Path("whole.iso"), recorder), CopyEnd::Finished);
  const std::string wholeImage = Read(Path("whole.iso"));
  const std::string wholeMap = Read(Path("whole.iso.map"));

  std::mt19937 random(11);
  for (int trial = 0; trial < 6; ++trial) {
    const std::string image = Path("part" + std::to_string(trial) + ".iso");
    std::size_t reads = 0;
    // Stopped at random points, one to three times, then run to the end.
    for (int stops = 1 + static_cast<int>(random() % 3); stops > 0; --stops) {
      const std::size_t stopAfter = 1 + random() % 120;
      ScriptedSource part = makeSource();
      Recorder partRecorder;
      const CopyEnd end = Copy(part, IsoPlan(600), options, image, partRecorder,
                               [&] { return ++reads % stopAfter == 0; });
      if (end == CopyEnd::Finished) break;
      ASSERT_EQ(end, CopyEnd::Stopped);
    }
    ScriptedSource rest = makeSource();
    Recorder restRecorder;
    ASSERT_EQ(Copy(rest, IsoPlan(600), options, image, restRecorder), CopyEnd::Finished);
    EXPECT_EQ(Read(image), wholeImage) << "trial " << trial;
    EXPECT_EQ(Read(image + ".map"), wholeMap) << "trial " << trial;
  }
}

// A write that fails part-way (a file size limit) stops the copy with the
// file named; the mapfile then claims only sectors the image holds, and the
// copy continues from it once the limit is gone.
TEST_F(DiscCopierTest, AFailedWriteStopsWithAMapfileTheImageHolds) {
  ScriptedSource source;
  source.sectors = 300;
  source.bad.insert(20);
  const CopyPlan plan = IsoPlan(300);
  CopyOptions options;
  options.sectorsPerRead = 8;
  // The limit in a child, so that this process keeps writing freely.
  const std::string image = Path("limited.iso");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100 * 2048 + 1000, 100 * 2048 + 1000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Recorder recorder;
    const CopyEnd end =
        Copy(source, plan, options, image, recorder, {}, DiscCopier::SteadyClock(), false);
    const bool named = lastError.find(image + ": File too large") == 0;
    std::_Exit(end == CopyEnd::Failed && named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the copy failed with the file named";

  std::string text, error;
  Mapfile mapfile;
  ASSERT_TRUE(ReadSmallFile(image + ".map", 1 << 20, text, error));
  ASSERT_TRUE(ParseMapfile(text, mapfile, error)) << error;
  const RescueMap partial = SectorMapOf(mapfile, 2048, 300);
  const std::uint64_t claimed = partial.Count(BlockStatus::Finished, 0, 300);
  EXPECT_GT(claimed, 0u);
  EXPECT_LT(claimed, 101u);
  const std::string held = Read(image);
  for (std::uint64_t s = 0; s < 300; ++s) {
    if (partial.At(s) != BlockStatus::Finished) continue;
    ASSERT_GE(held.size(), (s + 1) * 2048) << s;
    for (std::size_t i = 0; i < 2048; i += 511)
      ASSERT_EQ(static_cast<std::uint8_t>(held[s * 2048 + i]),
                ScriptedSource::Byte(static_cast<std::int64_t>(s), i))
          << s;
  }
  Recorder recorder;
  EXPECT_EQ(Copy(source, plan, options, image, recorder), CopyEnd::Finished);
  EXPECT_EQ(Read(image), Expected(lastMap));
  EXPECT_EQ(lastMap.Count(BlockStatus::Finished, 0, 300), 299u);
}

// The mapfile is saved before the first read, then at most every five
// seconds of the copy's clock while it reads, and at the end; the speeds
// asked for are set and given back.
TEST_F(DiscCopierTest, TheMapfilesPaceAndTheReadSpeeds) {
  ScriptedSource source;
  source.sectors = 100;
  source.bad.insert(10);
  std::uint64_t now = 0;
  const auto clock = [&] { return now += 1000000; };  // a second a look, one look a read
  CopyOptions options;
  options.sectorsPerRead = 1;
  options.speed = 8;
  options.retrySpeed = 2;
  Recorder recorder;
  ASSERT_EQ(Copy(source, IsoPlan(100), options, Path("p.iso"), recorder, {}, clock),
            CopyEnd::Finished);
  const int reads = static_cast<int>(source.reads.size());
  EXPECT_EQ(lastSaves, (reads + 4) / 5 + 1);
  EXPECT_EQ(source.speeds, (std::vector<int>{8, 2, 0}));
}

}  // namespace
