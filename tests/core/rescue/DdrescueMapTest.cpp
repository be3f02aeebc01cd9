// GNU ddrescue's mapfile read and written: a scan's retry table, a copy's
// map of sectors (also where blocks split sectors), and what is not one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/rescue/DdrescueMapReader.h"

namespace {

const std::string kHeader = "# Mapfile\n# current_pos  current_status\n0x0  +  1\n";

// The table as one character a sector: 'g' good, '-' to read, of a session
// on a medium of 8 sectors.
std::string Read(const std::string& map, std::int64_t start, std::int32_t count) {
  std::vector<std::uint8_t> table;
  std::string error;
  EXPECT_TRUE(ReadDdrescueMap(map, start, count, 8, table, error)) << error;
  std::string out;
  for (const std::uint8_t state : table) out += state == 1 ? 'g' : '-';
  return out;
}

TEST(DdrescueMapReaderTest, FinishedWholeSectorsOfTheSessionAreGood) {
  // Sectors 0-1 finished, 2 bad, 3 half finished, 4-5 finished in decimal.
  const std::string map = kHeader +
                          "0x00000000  0x00001000  +\n0x1000 0x800 -\n"
                          "0x1800 0x400 +\r\n0x1C00 0x400 ?\n8192 4096 +\n";
  EXPECT_EQ(Read(map, 0, 8), "gg--gg--");
  // A session from sector 4: its sectors 0 and 1 are the medium's 4 and 5.
  EXPECT_EQ(Read(map, 4, 4), "gg--");
  // A block past the session, on the medium, stays outside the table.
  EXPECT_EQ(Read(kHeader + "0x0 0x4000 +\n", 2, 3), "ggg");
  EXPECT_EQ(Read(kHeader, 0, 2), "--");
}

// A map with blocks past the medium's end is another disc's, whatever they
// say: its size and the disc's are named.
TEST(DdrescueMapReaderTest, TheMapOfALargerDiscIsRefused) {
  const std::string header = "0x0 +\n";
  const std::pair<std::string, std::string> cases[] = {
      {header + "0x0 0x4000 +\n0x4000 0x800 ?\n",
       "the map of another disc: it covers 18432 bytes (9 sectors), this disc 16384 bytes "
       "(8 sectors)"},
      {header + "0x0 0xFFFFFFFFFFFF0000 +\n", "it covers 18446744073709486080 bytes"},
      {header + "0x4000 0x1 -\n", "it covers 16385 bytes (9 sectors)"},
  };
  for (const auto& [map, message] : cases) {
    std::vector<std::uint8_t> table;
    std::string error;
    EXPECT_FALSE(ReadDdrescueMap(map, 0, 8, 8, table, error)) << map;
    EXPECT_THAT(error, testing::HasSubstr(message)) << map;
  }
}

TEST(DdrescueMapReaderTest, WhatIsNotAMapfileNamesItsLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "no status line: not a mapfile"},
      {"# only a comment\n", "no status line: not a mapfile"},
      {"hello world\n", "line 1: not the mapfile's status line"},
      {"0x0 +\n0x0 0x800\n", "line 2: not a block (POSITION SIZE STATUS)"},
      {"0x0 +\n0x0 0x800 x\n", "line 2: bad status 'x'"},
      {"0x0 +\n0x0 0xZZ +\n", "line 2: not a block"},
      {"0x0 +\n\n0xFFFFFFFFFFFFFFFF 0x2 +\n", "line 3: block past the end"},
      {"0x0 +\n0x800 0x800 +\n0x0 0x800 -\n", "line 3: block before the end of the one above it"},
  };
  for (const auto& [map, message] : cases) {
    std::vector<std::uint8_t> table;
    std::string error;
    EXPECT_FALSE(ReadDdrescueMap(map, 0, 4, 4, table, error)) << map;
    EXPECT_THAT(error, testing::HasSubstr(message)) << map;
  }
}

std::string Statuses(const RescueMap& map) {
  std::string out;
  for (std::uint64_t s = 0; s < map.Size(); ++s) out += static_cast<char>(map.At(s));
  return out;
}

// A copy's map read back from its own text, and from blocks of 512 bytes
// as ddrescue's default sector size leaves them: each 2352-byte sector takes
// the least advanced status of its bytes, and what no block covers is
// non-tried.
TEST(DdrescueMapReaderTest, CopyMapsInSectors) {
  RescueMap map(9);
  map.Set(0, 3, BlockStatus::Finished);
  map.Set(3, 1, BlockStatus::Bad);
  map.Set(4, 2, BlockStatus::NonScraped);
  map.Set(6, 1, BlockStatus::NonTrimmed);
  MapfileStatus status{6 * 2352, '*', 2};
  const std::string text = MapfileText(map, 2352, status, "test");
  Mapfile parsed;
  std::string error;
  ASSERT_TRUE(ParseMapfile(text, parsed, error)) << error;
  EXPECT_EQ(parsed.End(), 9u * 2352);
  EXPECT_EQ(parsed.status.position, 6u * 2352);
  EXPECT_EQ(parsed.status.operation, '*');
  EXPECT_EQ(parsed.status.pass, 2);
  EXPECT_EQ(SectorMapOf(parsed, 2352, 9), map);

  // Bytes 0-5000 finished, 5000-5100 bad (in sector 2), 5100-7056 finished,
  // no block for sector 3, then finished past the end of the map.
  const std::string ragged = kHeader +
                             "0 5000 +\n5000 100 -\n5100 1956 +\n"
                             "9408 100000 +\n";
  ASSERT_TRUE(ParseMapfile(ragged, parsed, error)) << error;
  EXPECT_EQ(Statuses(SectorMapOf(parsed, 2352, 6)), "++-?++");
}

}  // namespace
