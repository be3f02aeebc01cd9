// What the damaged files' caption and the Sector Viewer's holder say, for a
// file system read in full, in part, not at all, or not there.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include "core/damage/DamageIndex.h"
#include "core/report/DamageTexts.h"
#include "core/report/PropertyRows.h"

namespace {

constexpr auto kError = static_cast<std::uint8_t>(SectorState::Error);

// A session from device sector 1000 whose sectors 5 and 6 are errors, over a
// layout of one file across them, its directory, and the listing's result.
DamageIndex Index(std::int32_t result, bool listed) {
  DiscLayout layout;
  layout.result = result;
  if (listed)
    layout.entries = {{.kind = EntryKind::Structure,
                       .name = u"Directory /A",
                       .size = 0,
                       .ranges = {{1004, 1004}}},
                      {.kind = EntryKind::File,
                       .name = u"/A/F.BIN",
                       .size = 3 * 2048,
                       .ranges = {{1010, 1010}, {1005, 1006}}}};
  std::vector<std::uint8_t> table(20, static_cast<std::uint8_t>(SectorState::Good));
  table[5] = table[6] = kError;
  return DamageIndex(table, 1000, layout);
}

TEST(DamageTexts, CaptionSaysWhatTheListHoldsOrWhyItIsEmpty) {
  EXPECT_EQ(DamagedListCaption(nullptr), u"Damaged files: listed when the scan has ended");
  const DamageIndex full = Index(0, true);
  EXPECT_EQ(DamagedListCaption(&full), u"Damaged files and structures: 1");
  const DamageIndex part = Index(3, true);
  EXPECT_EQ(DamagedListCaption(&part),
            u"Damaged files and structures: 1 (the file system could not be read in full)");
  const DamageIndex none = Index(wrenlo::kResultNoFileSystem, false);
  EXPECT_EQ(DamagedListCaption(&none), u"Damaged files: none (no file system)");
  const DamageIndex unreadable = Index(3, false);
  EXPECT_EQ(
      DamagedListCaption(&unreadable),
      FormatText("Damaged files: the file system cannot be read (%s)", wrenlo::ResultName(3)));
  const DamageIndex healthy(std::vector<std::uint8_t>(20, 1), 1000, Index(0, true).Layout());
  EXPECT_EQ(DamagedListCaption(&healthy), u"Damaged files: none");
}

TEST(DamageTexts, HolderGivesTheByteInTheFileInItsExtentsOrder) {
  const DamageIndex index = Index(0, true);
  EXPECT_EQ(SectorHolderText(index, 10), u"/A/F.BIN, byte 0");
  EXPECT_EQ(SectorHolderText(index, 6), u"/A/F.BIN, byte 4096");  // its second extent
  EXPECT_EQ(SectorHolderText(index, 4), u"Directory /A");
  EXPECT_EQ(SectorHolderText(index, 7), u"free");
}

// An audio disc of two sessions: the tracks hold their sectors, an audio
// track's with the time in it; the gap between the sessions is the lead-out,
// which no damage list names (it reads nowhere).
TEST(DamageTexts, TracksAndTheLeadOutHoldTheirSectors) {
  DiscLayout layout;
  layout.result = wrenlo::kResultNoFileSystem;
  layout.entries = {
      {.kind = EntryKind::AudioTrack, .name = u"Audio track 1", .ranges = {{0, 99}}},
      {.kind = EntryKind::AudioTrack, .name = u"Audio track 2", .ranges = {{100, 6499}}},
      {.kind = EntryKind::DataTrack,
       .name = u"Data track 3 (no file system)",
       .ranges = {{18000, 18999}}},
      {.kind = EntryKind::LeadOut, .name = u"lead-out", .ranges = {{6500, 17999}}},
  };
  std::vector<std::uint8_t> table(19000, static_cast<std::uint8_t>(SectorState::Good));
  table[6281] = kError;   // 01:22:31 into track 2
  table[7000] = kError;   // the lead-out
  table[18010] = kError;  // the data track
  const DamageIndex index(table, 0, layout);
  EXPECT_EQ(SectorHolderText(index, 6281), u"Audio track 2, 01:22:31");
  EXPECT_EQ(SectorHolderText(index, 100), u"Audio track 2, 00:00:00");
  EXPECT_EQ(SectorHolderText(index, 18010), u"Data track 3 (no file system)");
  EXPECT_EQ(SectorHolderText(index, 7000), u"lead-out");
  ASSERT_EQ(index.DamagedStructures().size(), 2u);
  EXPECT_EQ(index.DamagedStructures()[0].name, u"Audio track 2");
  EXPECT_EQ(index.DamagedStructures()[1].name, u"Data track 3 (no file system)");
  EXPECT_TRUE(index.DamagedFiles().empty());
  EXPECT_EQ(DamagedListCaption(&index), u"Damaged files and structures: 2 (no file system)");
}

}  // namespace
