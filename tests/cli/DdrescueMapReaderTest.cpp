// Reading a GNU ddrescue mapfile for a retry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/DdrescueMapReader.h"

namespace {

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
  const std::string header = "# Mapfile\n# current_pos  current_status\n0x0  +  1\n";
  // Sectors 0-1 finished, 2 bad, 3 half finished, 4-5 finished in decimal.
  const std::string map = header +
                          "0x00000000  0x00001000  +\n0x1000 0x800 -\n"
                          "0x1800 0x400 +\r\n0x1C00 0x400 ?\n8192 4096 +\n";
  EXPECT_EQ(Read(map, 0, 8), "gg--gg--");
  // A session from sector 4: its sectors 0 and 1 are the medium's 4 and 5.
  EXPECT_EQ(Read(map, 4, 4), "gg--");
  // A block past the session, on the medium, stays outside the table.
  EXPECT_EQ(Read(header + "0x0 0x4000 +\n", 2, 3), "ggg");
  EXPECT_EQ(Read(header, 0, 2), "--");
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
  };
  for (const auto& [map, message] : cases) {
    std::vector<std::uint8_t> table;
    std::string error;
    EXPECT_FALSE(ReadDdrescueMap(map, 0, 4, 4, table, error)) << map;
    EXPECT_THAT(error, testing::HasSubstr(message)) << map;
  }
}

}  // namespace
