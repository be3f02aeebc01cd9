// The copy's map of sector states: runs set, joined and found.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/rescue/RescueMap.h"

namespace {

// The map as one status character a sector.
std::string Text(const RescueMap& map) {
  std::string out;
  for (std::uint64_t s = 0; s < map.Size(); ++s) out += static_cast<char>(map.At(s));
  return out;
}

// Random runs set over a map and over a plain string give the same states,
// and the map's runs are the string's maximal runs.
TEST(RescueMapTest, SetKeepsRunsJoinedAndAgreesWithAPlainTable) {
  std::mt19937 random(7);
  const char statuses[] = "?*/-+";
  RescueMap map(64);
  std::string table(64, '?');
  for (int step = 0; step < 2000; ++step) {
    const std::uint64_t first = random() % 70, count = random() % 12;
    const char status = statuses[random() % 5];
    map.Set(first, count, static_cast<BlockStatus>(status));
    for (std::uint64_t s = first; s < first + count && s < 64; ++s) table[s] = status;
    ASSERT_EQ(Text(map), table) << "step " << step;
    std::uint64_t covered = 0;
    char previous = 0;
    for (const RescueMap::Block& block : map.Blocks()) {
      ASSERT_EQ(block.first, covered);
      ASSERT_NE(static_cast<char>(block.status), previous) << "neighbours joined";
      previous = static_cast<char>(block.status);
      covered = block.End();
    }
    ASSERT_EQ(covered, 64u);
  }
}

TEST(RescueMapTest, FindsAndCountsRunsWithinARange) {
  RescueMap map(20);
  map.Set(2, 3, BlockStatus::Bad);       // 2-4
  map.Set(10, 5, BlockStatus::Bad);      // 10-14
  map.Set(5, 5, BlockStatus::Finished);  // 5-9
  using Block = RescueMap::Block;
  EXPECT_EQ(map.FirstWith(BlockStatus::Bad, 0, 20), (Block{2, 3, BlockStatus::Bad}));
  EXPECT_EQ(map.FirstWith(BlockStatus::Bad, 3, 20), (Block{3, 2, BlockStatus::Bad}));
  EXPECT_EQ(map.FirstWith(BlockStatus::Bad, 5, 12), (Block{10, 2, BlockStatus::Bad}));
  EXPECT_EQ(map.FirstWith(BlockStatus::Bad, 15, 20), std::nullopt);
  EXPECT_EQ(map.LastWith(BlockStatus::Bad, 0, 20), (Block{10, 5, BlockStatus::Bad}));
  EXPECT_EQ(map.LastWith(BlockStatus::Bad, 0, 12), (Block{10, 2, BlockStatus::Bad}));
  EXPECT_EQ(map.LastWith(BlockStatus::Bad, 0, 10), (Block{2, 3, BlockStatus::Bad}));
  EXPECT_EQ(map.LastWith(BlockStatus::Bad, 5, 10), std::nullopt);
  EXPECT_EQ(map.LastWith(BlockStatus::NonTried, 0, 20), (Block{15, 5, BlockStatus::NonTried}));
  EXPECT_EQ(map.Count(BlockStatus::Bad, 0, 20), 8u);
  EXPECT_EQ(map.Count(BlockStatus::Bad, 4, 11), 2u);
  EXPECT_EQ(map.Count(BlockStatus::NonTried, 0, 100), 7u);
  map.Set(15, 100, BlockStatus::Finished);  // cut to the map
  EXPECT_EQ(Text(map), "?\?---+++++-----+++++");
  EXPECT_TRUE(RescueMap(0).Blocks().empty());
}

}  // namespace
