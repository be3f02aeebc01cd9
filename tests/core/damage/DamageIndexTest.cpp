// The damaged files and structures of a hand-made sector table, and what
// lies on a range of sectors.
#include <gtest/gtest.h>

#include "core/damage/DamageIndex.h"
#include "core/scan/ISectorScannerCallback.h"

namespace {

constexpr std::uint8_t G = static_cast<std::uint8_t>(SectorState::Good);
constexpr std::uint8_t P = static_cast<std::uint8_t>(SectorState::Problem);
constexpr std::uint8_t E = static_cast<std::uint8_t>(SectorState::Error);

LayoutEntry Entry(bool isFile, std::u16string name, std::vector<SectorRange> ranges) {
  LayoutEntry entry;
  entry.kind = isFile ? EntryKind::File : EntryKind::Structure;
  entry.name = std::move(name);
  entry.ranges = std::move(ranges);
  return entry;
}

// A small disc, in sectors of the session counted from offset: descriptors,
// directories, files (one in two runs, one in free space's neighbourhood),
// a boot image that is also a file, and a metadata-like structure that spans
// most of the disc.
DiscLayout SampleLayout(std::uint64_t offset) {
  const auto at = [offset](std::uint64_t first, std::uint64_t last) {
    return SectorRange{first + offset, last + offset};
  };
  DiscLayout layout;
  layout.entries = {
      Entry(false, u"Volume descriptors", {at(16, 18)}),
      Entry(false, u"Path tables", {at(19, 20)}),
      Entry(false, u"Root directory", {at(21, 21)}),
      Entry(false, u"Directory Docs", {at(22, 22)}),
      Entry(true, u"a.txt", {at(23, 24)}),
      Entry(true, u"big.bin", {at(30, 39), at(50, 59)}),
      Entry(true, u"c.txt", {at(40, 41)}),
      Entry(true, u"Docs\\d.txt", {at(42, 42)}),
      Entry(true, u"empty", {}),
      Entry(false, u"Boot image 1", {at(60, 69)}),
      Entry(true, u"boot.img", {at(60, 69)}),
      Entry(false, u"Long table", {at(25, 70)}),
  };
  return layout;
}

std::vector<std::uint8_t> SampleTable() {
  std::vector<std::uint8_t> table(80, G);
  table[17] = E;              // a volume descriptor
  table[22] = P;              // the Docs directory
  table[31] = P;              // big.bin's first run
  table[32] = E;              //
  table[55] = table[56] = E;  // big.bin's second run
  table[41] = E;              // c.txt
  table[75] = E;              // free space
  table[0] = static_cast<std::uint8_t>(SectorState::NotChecked);
  return table;
}

struct Expected {
  std::u16string name;
  std::int64_t problems, errors;
  std::vector<SectorRange> ranges;
};

void ExpectDamaged(const std::vector<DamagedEntry>& found, const std::vector<Expected>& expected) {
  ASSERT_EQ(found.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(found[i].name, expected[i].name);
    EXPECT_EQ(found[i].problemSectors, expected[i].problems);
    EXPECT_EQ(found[i].errorSectors, expected[i].errors);
    EXPECT_EQ(found[i].ranges, expected[i].ranges);
  }
}

// The session may start anywhere on the device: the layout is in device
// sectors, the table and the answers from the session's first sector.
class DamageIndexTest : public testing::TestWithParam<std::uint64_t> {};

TEST_P(DamageIndexTest, FindsExactlyTheDamagedFilesAndStructures) {
  const DamageIndex index(SampleTable(), GetParam(), SampleLayout(GetParam()));
  ExpectDamaged(index.DamagedFiles(), {
                                          {u"big.bin", 1, 3, {{31, 32}, {55, 56}}},
                                          {u"c.txt", 0, 1, {{41, 41}}},
                                      });
  ExpectDamaged(index.DamagedStructures(),
                {
                    {u"Volume descriptors", 0, 1, {{17, 17}}},
                    {u"Directory Docs", 1, 0, {{22, 22}}},
                    {u"Long table", 1, 4, {{31, 32}, {41, 41}, {55, 56}}},
                });
  EXPECT_EQ(index.DamagedFiles()[0].entry, 5u);
}

TEST_P(DamageIndexTest, TellsWhatLiesOnARange) {
  const DamageIndex index(SampleTable(), GetParam(), SampleLayout(GetParam()));
  const struct {
    std::uint64_t first, last;
    std::vector<std::size_t> entries;
  } cases[] = {
      {0, 15, {}},          {17, 17, {0}},
      {18, 19, {0, 1}},     {24, 25, {4, 11}},
      {39, 40, {5, 6, 11}}, {65, 65, {9, 10, 11}},
      {71, 79, {}},         {0, 1000, {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(index.EntriesOn(c.first, c.last), c.entries) << c.first << "-" << c.last;
}

INSTANTIATE_TEST_SUITE_P(SessionStarts, DamageIndexTest, testing::Values(0u, 1000u));

TEST(DamageIndex, AHealthyOrUnscannedTableDamagesNothing) {
  for (const std::uint8_t state : {G, std::uint8_t{0}}) {
    const DamageIndex index(std::vector<std::uint8_t>(80, state), 0, SampleLayout(0));
    EXPECT_TRUE(index.DamagedFiles().empty());
    EXPECT_TRUE(index.DamagedStructures().empty());
  }
}

// A layout that reaches past the table or starts before the session (a
// damaged file system's) is answered within the table.
TEST(DamageIndex, RangesOutsideTheTableAreIgnored) {
  DiscLayout layout;
  layout.entries = {Entry(true, u"wild", {{90, 5000000000ull}, {0, 101}})};
  std::vector<std::uint8_t> table(10, G);
  table[1] = table[9] = E;
  const DamageIndex index(table, 100, layout);
  ExpectDamaged(index.DamagedFiles(), {{u"wild", 0, 2, {{1, 1}, {9, 9}}}});
}

}  // namespace
