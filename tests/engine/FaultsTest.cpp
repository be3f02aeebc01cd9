// The damaged-disc simulation: the faults file, the failure cycles, latency.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "image/FaultSimulator.h"
#include "image/FaultsFile.h"
#include "image/ImageBackend.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

TEST(FaultsFile, GoodFiles) {
  struct Case {
    const char* text;
    std::vector<FaultRange> ranges;  // first, last, failures, always
    std::uint32_t latency;
    std::optional<std::uint32_t> errorLatency = std::nullopt;
  };
  const Case cases[] = {
      {"", {}, 0},
      {"# only a comment\n\n   \n", {}, 0},
      {"100 3", {{100, 100, 3, false}}, 0},
      {"10-20 always\n", {{10, 20, 0, true}}, 0},
      {"  500-501\t2  \r\nlatency 150\r\n", {{500, 501, 2, false}}, 150},
      {"  # indented comment\n7 1", {{7, 7, 1, false}}, 0},
      {"latency 0", {}, 0},
      // Lines in any order come out sorted.
      {"30 1\n5-6 2\n", {{5, 6, 2, false}, {30, 30, 1, false}}, 0},
      {"0-4294967295 always", {{0, 4294967295u, 0, true}}, 0},
      {"1 1000000\nlatency 1000000", {{1, 1, 1000000, false}}, 1000000},
      {"latency 200\nerror-latency 200000", {}, 200, 200000},
      {"error-latency 0\n3 always", {{3, 3, 0, true}}, 0, 0},
      {"error-latency 60000000", {}, 0, 60000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FaultPlan plan;
    std::string problem;
    ASSERT_TRUE(ParseFaults(c.text, plan, problem)) << problem;
    ASSERT_EQ(plan.ranges.size(), c.ranges.size());
    for (std::size_t i = 0; i < c.ranges.size(); ++i) {
      EXPECT_EQ(plan.ranges[i].first, c.ranges[i].first);
      EXPECT_EQ(plan.ranges[i].last, c.ranges[i].last);
      EXPECT_EQ(plan.ranges[i].failures, c.ranges[i].failures);
      EXPECT_EQ(plan.ranges[i].always, c.ranges[i].always);
    }
    EXPECT_EQ(plan.latencyMicroseconds, c.latency);
    EXPECT_EQ(plan.errorLatencyMicroseconds, c.errorLatency);
  }
}

TEST(FaultsFile, MalformedLinesAreNamed) {
  struct Case {
    const char* text;
    std::string problem;
  };
  const std::string expected =
      "expected FIRST[-LAST] FAILURES, latency MICROSECONDS or error-latency MICROSECONDS";
  const std::string expected1 = "faults line 1: " + expected;
  const std::string expected2 = "faults line 2: " + expected;
  const Case cases[] = {
      {"100", expected1},
      {"# fine\n100 3 extra", expected2},
      {"x 3", "faults line 1: bad sector number"},
      {"-5 3", "faults line 1: bad sector number"},
      {"5- 3", "faults line 1: bad sector number"},
      {"+5 3", "faults line 1: bad sector number"},
      {"0x10 3", "faults line 1: bad sector number"},
      {"4294967296 3", "faults line 1: bad sector number"},
      {"1-2-3 3", "faults line 1: bad sector number"},
      {"20-10 3", "faults line 1: LAST is before FIRST"},
      {"5 0", "faults line 1: FAILURES must be 1 to 1000000 or always"},
      {"5 -1", "faults line 1: FAILURES must be 1 to 1000000 or always"},
      {"5 1000001", "faults line 1: FAILURES must be 1 to 1000000 or always"},
      {"5 Always", "faults line 1: FAILURES must be 1 to 1000000 or always"},
      {"latency fast", "faults line 1: latency must be 0 to 1000000 microseconds"},
      {"latency 1000001", "faults line 1: latency must be 0 to 1000000 microseconds"},
      {"latency 100\nlatency 200", "faults line 2: latency given twice"},
      {"latency", expected1},
      {"error-latency slow", "faults line 1: error-latency must be 0 to 60000000 microseconds"},
      {"error-latency 60000001", "faults line 1: error-latency must be 0 to 60000000 microseconds"},
      {"error-latency 1\nerror-latency 1", "faults line 2: error-latency given twice"},
      {"10-20 1\n\n30 1\n15 always", "faults line 4: overlaps line 1"},
      {"15 always\n10-20 1", "faults line 2: overlaps line 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FaultPlan plan;
    std::string problem;
    EXPECT_FALSE(ParseFaults(c.text, plan, problem));
    EXPECT_EQ(problem, c.problem);
  }
  FaultPlan plan;
  std::string problem;
  EXPECT_FALSE(ParseFaults(std::string(kMaxFaultsFileBytes + 1, '#'), plan, problem));
  EXPECT_EQ(problem, "faults file larger than its limit of 1 MB (1048576 bytes)");
}

FaultPlan Plan(const char* text) {
  FaultPlan plan;
  std::string problem;
  EXPECT_TRUE(ParseFaults(text, plan, problem)) << problem;
  return plan;
}

// Which of n single-sector reads of sector fail, as a string of 'x' (fails)
// and '.' (succeeds).
std::string Reads(FaultSimulator& simulator, std::uint32_t sector, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += simulator.ReadFails(sector, 1) ? 'x' : '.';
  return out;
}

// A failed read spends the error latency on the sector that fails and the
// latency on each one before it; without an error latency, the latency.
TEST(FaultSimulator, FailedReadsTakeTheErrorLatency) {
  using std::chrono::microseconds;
  const FaultSimulator slowErrors(Plan("latency 200\nerror-latency 200000"));
  EXPECT_EQ(slowErrors.Latency(1, false), microseconds(200));
  EXPECT_EQ(slowErrors.Latency(32, false), microseconds(6400));
  EXPECT_EQ(slowErrors.Latency(1, true), microseconds(200000));
  EXPECT_EQ(slowErrors.Latency(32, true), microseconds(31 * 200 + 200000));
  const FaultSimulator plain(Plan("latency 150"));
  EXPECT_EQ(plain.Latency(4, true), plain.Latency(4, false));
  EXPECT_TRUE(FaultSimulator(Plan("error-latency 5")).HasLatency());
  EXPECT_FALSE(FaultSimulator(Plan("3 always")).HasLatency());
}

TEST(FaultSimulator, CyclesPerSector) {
  FaultSimulator simulator(Plan("10-11 2\n20 always\n30 1"));
  EXPECT_EQ(Reads(simulator, 10, 7), "xx.xx.x");
  // Sector 11 keeps its own count.
  EXPECT_EQ(Reads(simulator, 11, 3), "xx.");
  EXPECT_EQ(Reads(simulator, 20, 4), "xxxx");
  EXPECT_EQ(Reads(simulator, 30, 4), "x.x.");
  EXPECT_EQ(Reads(simulator, 12, 2), "..");
  EXPECT_EQ(Reads(simulator, 9, 2), "..");
}

// A read of several sectors fails while any of them is due to fail, without
// moving a cycle, so the single-sector reads that follow it meet each
// sector's failures in full; one that succeeds starts every cycle over.
TEST(FaultSimulator, MultiSectorReadFailsWithoutCounting) {
  FaultSimulator simulator(Plan("5 1\n7 1"));
  EXPECT_TRUE(simulator.ReadFails(0, 10));  // 5 and 7 are due to fail
  EXPECT_EQ(Reads(simulator, 7, 1), "x");   // so this is 7's first read
  EXPECT_TRUE(simulator.ReadFails(0, 10));  // 5 is still due
  EXPECT_EQ(Reads(simulator, 5, 1), "x");
  EXPECT_FALSE(simulator.ReadFails(0, 10));  // the second reads of 5 and 7 succeed
  EXPECT_EQ(simulator.SectorsInCycle(), 0u);
  EXPECT_EQ(Reads(simulator, 5, 2), "x.");
  EXPECT_TRUE(simulator.ReadFails(7, 100));
  EXPECT_FALSE(simulator.ReadFails(8, 100));
  FaultSimulator always(Plan("0-4294967295 always"));
  EXPECT_TRUE(always.ReadFails(4294967295u, 1));
  EXPECT_TRUE(always.ReadFails(4294967200u, 64));
}

TEST(FaultSimulator, CountsEveryReadOnceFromManyThreads) {
  // Each cycle of sector 3 is 4 failures and one success: 8 threads reading it
  // 1000 times each see exactly 8000 * 4 / 5 failures, however they interleave.
  FaultSimulator simulator(Plan("3 4"));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i)
        if (simulator.ReadFails(3, 1)) ++failures;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 6400);
}

TEST(FaultSimulator, MemoryStaysBoundedOverAHugeRange) {
  // A scan reads each sector up to five times. Sectors that fail once recover
  // within that and are forgotten; sectors that fail ten times stay part way
  // through their cycle, and only the most recent of them are kept.
  FaultSimulator once(Plan("0-4294967295 1"));
  FaultSimulator tenTimes(Plan("0-4294967295 10"));
  constexpr std::uint32_t kSectors = 3 * FaultSimulator::kMaxSectorsInCycle;
  for (std::uint32_t sector = 0; sector < kSectors; ++sector) {
    ASSERT_EQ(Reads(once, sector, 2), "x.");
    ASSERT_EQ(Reads(tenTimes, sector, 5), "xxxxx");
  }
  EXPECT_EQ(once.SectorsInCycle(), 0u);
  EXPECT_EQ(tenTimes.SectorsInCycle(), FaultSimulator::kMaxSectorsInCycle);
  // A recent sector goes on with its cycle; the oldest start over.
  EXPECT_EQ(Reads(tenTimes, kSectors - 1, 6), "xxxxx.");
  EXPECT_EQ(Reads(tenTimes, 0, 11), "xxxxxxxxxx.");
}

class ImageFaultsTest : public ::testing::Test {
 protected:
  // A 64-sector image whose sector n is filled with the byte n, and its
  // faults file.
  std::string MakeImage(const std::string& name, const std::string& faults) {
    const std::string path = testing_support::OutputDirectory() + "/" + name;
    std::string bytes;
    for (int n = 0; n < 64; ++n) bytes += std::string(2048, static_cast<char>(n));
    testing_support::WriteFile(path, bytes);
    testing_support::WriteFile(path + ".faults", faults);
    return path;
  }
};

TEST_F(ImageFaultsTest, FailingReadsAndTheirRecovery) {
  std::u16string problem;
  auto image =
      ImageBackend::Open(MakeImage("faulty.iso", "# two bad spots\n5 2\n9 always\n"), problem);
  ASSERT_TRUE(image) << std::string(problem.begin(), problem.end());
  std::vector<std::uint8_t> buffer(2048, 0xEE);
  EXPECT_EQ(image->Read(5, 1, buffer.data()), kMediumError);
  EXPECT_EQ(image->Read(5, 1, buffer.data()), kMediumError);
  EXPECT_EQ(image->Read(5, 1, buffer.data()), kOk);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(image->Read(9, 1, buffer.data()), kMediumError);
  EXPECT_EQ(image->Read(9, 1, buffer.data()), kMediumError);
  std::vector<std::uint8_t> eight(8 * 2048);
  EXPECT_EQ(image->Read(4, 8, eight.data()), kMediumError);  // 5 is due to fail again
  EXPECT_EQ(image->Read(0, 8, eight.data()), kMediumError);  // and still is: not counted
  EXPECT_EQ(image->Read(5, 1, buffer.data()), kMediumError);
  EXPECT_EQ(image->Read(5, 1, buffer.data()), kMediumError);
  EXPECT_EQ(image->Read(0, 8, eight.data()), kOk);  // 5 succeeds, 9 is not read
  EXPECT_EQ(eight[7 * 2048], 7);
}

TEST_F(ImageFaultsTest, LatencyMakesEveryReadTakeAtLeastThatLong) {
  std::u16string problem;
  auto image = ImageBackend::Open(MakeImage("slow.iso", "latency 150\n3 always\n"), problem);
  ASSERT_TRUE(image);
  std::vector<std::uint8_t> buffer(4 * 2048);
  using Clock = std::chrono::steady_clock;
  constexpr int kReads = 200;
  const auto start = Clock::now();
  for (int i = 0; i < kReads; ++i) {
    const auto before = Clock::now();
    image->Read(static_cast<std::uint32_t>(i % 3), 1, buffer.data());
    ASSERT_GE(Clock::now() - before, std::chrono::microseconds(150));
  }
  const auto mean = (Clock::now() - start) / kReads;
  std::printf("mean single-sector read with latency 150: %.1f us\n",
              std::chrono::duration<double, std::micro>(mean).count());
  // A failing read and a read of several sectors wait too, per sector.
  auto before = Clock::now();
  EXPECT_EQ(image->Read(3, 1, buffer.data()), kMediumError);
  EXPECT_GE(Clock::now() - before, std::chrono::microseconds(150));
  before = Clock::now();
  EXPECT_EQ(image->Read(10, 4, buffer.data()), kOk);
  EXPECT_GE(Clock::now() - before, std::chrono::microseconds(600));
}

// The image file under the drive changes: cut short, it is noticed at the
// first read that fails for it; grown or replaced (while every read still
// succeeds), within the second the drive looks at its files. From then on
// nothing reads. A sector failing on its own (the faults file) is no change.
TEST_F(ImageFaultsTest, AnImageFileThatChangesUnderTheDriveReadsAsChanged) {
  // Reads sector 0 until the drive reports the change, for at most 5 s.
  const auto noticed = [](Backend& image) {
    std::vector<std::uint8_t> buffer(2048);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline)
      if (image.Read(0, 1, buffer.data()) == kImageChanged) return true;
    return false;
  };
  std::vector<std::uint8_t> buffer(2048);
  std::u16string problem;
  {
    const std::string path = MakeImage("cut.iso", "9 always\n");
    auto image = ImageBackend::Open(path, problem);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Read(9, 1, buffer.data()), kMediumError);  // the faults file's
    EXPECT_EQ(image->Read(50, 1, buffer.data()), kOk);
    ASSERT_EQ(::truncate(path.c_str(), 40 * 2048), 0);
    EXPECT_EQ(image->Read(50, 1, buffer.data()), kImageChanged);
    EXPECT_EQ(image->Read(0, 1, buffer.data()), kImageChanged);  // for good
  }
  {
    const std::string path = MakeImage("grown.iso", "");
    auto image = ImageBackend::Open(path, problem);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Read(0, 1, buffer.data()), kOk);  // looked at the file just now
    std::ofstream(path, std::ios::app) << std::string(2048, 'x');
    EXPECT_TRUE(noticed(*image));
  }
  {
    const std::string path = MakeImage("replaced.iso", "");
    auto image = ImageBackend::Open(path, problem);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Read(0, 1, buffer.data()), kOk);
    const std::string other = MakeImage("replacement.iso", "");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    EXPECT_TRUE(noticed(*image));
  }
}

}  // namespace
}  // namespace wrenlo
