#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <cstring>
#include <map>
#include <string>

#include "core/extract/FileData.h"
#include "core/rescue/CopySource.h"

namespace {

// Sectors whose bytes all hold the sector's number (mod 251); a sector in
// failures fails that many reads before it reads, or always at -1.
class FakeSource final : public CopySource {
 public:
  std::map<std::int64_t, int> failures;
  std::int32_t failResult = 3;
  int reads = 0;

  std::int32_t Read(std::int64_t address, std::int32_t count, std::uint8_t* out) override {
    ++reads;
    for (std::int64_t s = address; s < address + count; ++s) {
      auto failing = failures.find(s);
      if (failing != failures.end() && failing->second != 0) {
        if (count == 1 && failing->second > 0) --failing->second;
        return failResult;
      }
    }
    for (std::int32_t i = 0; i < count; ++i)
      std::memset(out + i * 2048, static_cast<int>((address + i) % 251), 2048);
    return 0;
  }
  bool SetSpeed(int) override { return true; }
};

LayoutEntry File(std::uint64_t size, std::vector<SectorRange> ranges) {
  LayoutEntry file;
  file.kind = EntryKind::File;
  file.size = size;
  file.ranges = std::move(ranges);
  return file;
}

std::string Expected(const std::vector<std::pair<std::uint64_t, bool>>& sectors,
                     std::uint64_t size) {
  std::string out;
  for (const auto& [sector, read] : sectors)
    out += std::string(2048, read ? static_cast<char>(sector % 251) : '\0');
  return out.substr(0, size);
}

TEST(FileDataTest, ZerosTheSectorsThatFailEveryAttemptAndListsThemInFileOrder) {
  FakeSource source;
  source.failures = {{11, -1}, {12, -1}, {21, 2}, {31, -1}};
  // Two extents, the second before the first on the device; the last sector
  // is cut to the file's size.
  const LayoutEntry file = File(5 * 2048 + 100, {{30, 32}, {10, 12}});
  std::string written;
  FileGaps gaps;
  const FileDataEnd end = ReadFileData(
      source, file, {.sectorsPerRead = 4, .attempts = 3},
      [&](std::string_view bytes) {
        written += bytes;
        return true;
      },
      gaps);

  EXPECT_EQ(end, FileDataEnd::Read);
  EXPECT_EQ(written,
            Expected({{30, true}, {31, false}, {32, true}, {10, true}, {11, false}, {12, false}},
                     file.size));
  EXPECT_EQ(gaps.sectors, (std::vector<SectorRange>{{31, 31}, {11, 12}}));
  EXPECT_EQ(gaps.bytes, (std::vector<ByteRange>{{2048, 4095}, {4 * 2048, 5 * 2048 + 99}}));

  // A sector that reads on a later attempt is no gap.
  FakeSource retried;
  retried.failures = {{21, 2}};
  FileGaps none;
  std::string data;
  ReadFileData(
      retried, File(3 * 2048, {{20, 22}}), {.sectorsPerRead = 8, .attempts = 3},
      [&](std::string_view bytes) {
        data += bytes;
        return true;
      },
      none);
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(data, Expected({{20, true}, {21, true}, {22, true}}, 3 * 2048));
}

TEST(FileDataTest, StopsWhenTheSinkRefusesTheMediumGoesOrACancelIsAsked) {
  const LayoutEntry file = File(8 * 2048, {{0, 7}});
  FileGaps gaps;
  FakeSource source;
  int pieces = 0;
  EXPECT_EQ(ReadFileData(
                source, file, {.sectorsPerRead = 2, .attempts = 1},
                [&](std::string_view) { return ++pieces < 2; }, gaps),
            FileDataEnd::SinkFailed);
  EXPECT_EQ(pieces, 2);

  FakeSource gone;
  gone.failures = {{3, -1}};
  gone.failResult = wrenlo::kResultNoMedium;
  EXPECT_EQ(ReadFileData(
                gone, file, {}, [](std::string_view) { return true; }, gaps),
            FileDataEnd::MediumGone);

  const std::atomic<bool> cancel{true};
  EXPECT_EQ(ReadFileData(
                source, file, {}, [](std::string_view) { return true; }, gaps, &cancel),
            FileDataEnd::Cancelled);
}

TEST(FileDataTest, LeavesToTheEngineAFileItsSectorsDoNotHoldWhole) {
  EXPECT_TRUE(HeldInSectors(File(2049, {{5, 6}})));
  EXPECT_TRUE(HeldInSectors(File(0, {})));
  EXPECT_FALSE(HeldInSectors(File(100, {})));             // data in its entry
  EXPECT_FALSE(HeldInSectors(File(3 * 2048, {{5, 6}})));  // a hole
  LayoutEntry unplaced = File(2048, {{5, 5}});
  unplaced.result = 5;
  EXPECT_FALSE(HeldInSectors(unplaced));
}

}  // namespace
