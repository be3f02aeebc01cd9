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

}  // namespace
