#include <FakeEngine.h>
#include <gtest/gtest.h>

#include "core/disc/DeviceList.h"

namespace {

std::vector<std::u16string> Texts(const std::vector<DeviceListItem>& items) {
  std::vector<std::u16string> texts;
  for (const DeviceListItem& item : items) texts.push_back(item.text);
  return texts;
}

TEST(DeviceListTest, ReadsEveryEntryAndMarksTheUnusableOnes) {
  fake::Reset();
  fake::script().devices = {u"F: Zeta", u"#G: broken.iso: the image is empty", u"#", u"D: Alpha"};
  const std::vector<DeviceListItem> items = ReadDeviceList();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(Texts(items), (std::vector<std::u16string>{
                              u"F: Zeta", u"G: broken.iso: the image is empty", u"", u"D: Alpha"}));
  EXPECT_TRUE(items[0].usable);
  EXPECT_FALSE(items[1].usable);
  EXPECT_EQ(items[1].letter, u'G');
  EXPECT_EQ(items[2].letter, 0);
  EXPECT_EQ(items[3].letter, u'D');
}

TEST(DeviceListTest, ListedDrivesAreTheUsableOnesInTextOrderIgnoringCase) {
  fake::Reset();
  fake::script().devices = {u"f: lower", u"E: Upper", u"#D: gone", u"", u"G: Last"};
  EXPECT_EQ(Texts(ListedDrives(ReadDeviceList())),
            (std::vector<std::u16string>{u"E: Upper", u"f: lower", u"G: Last"}));
}

// The drives first in the list's order, then the unusable entries in the
// engine's; the shown text is the whole text, shortened in its middle.
TEST(DeviceListTest, DevicesInListOrderPutTheUnusableOnesLast) {
  fake::Reset();
  fake::script().devices = {u"#H: z.iso: empty file", u"F: Zeta", u"#E: a.iso: not a disc image",
                            u"D: Alpha"};
  const std::vector<DeviceListItem> items = DevicesInListOrder(ReadDeviceList());
  EXPECT_EQ(Texts(items),
            (std::vector<std::u16string>{u"D: Alpha", u"F: Zeta", u"H: z.iso: empty file",
                                         u"E: a.iso: not a disc image"}));
  for (const DeviceListItem& item : items) {
    EXPECT_EQ(WholeDriveText(item), item.text);
    EXPECT_EQ(DriveListText(item), item.text);  // none longer than the list's room
  }
}

// Two images whose names differ only after the list entry's 49 units: the
// list shortens the whole names in the middle, so their ends tell them apart,
// and the tooltip holds the whole name and the path.
TEST(DeviceListTest, LongNamesKeepTheirEndsAndThePathIsInTheTooltip) {
  fake::Reset();
  const std::u16string stem(60, u'n');
  fake::script().devices = {u"D: " + stem.substr(0, 46), u"E: " + stem.substr(0, 46)};
  fake::script().names = {{u'D', stem + u"-1.iso"}, {u'E', stem + u"-2.iso"}};
  fake::script().paths = {{u'D', u"/discs/" + stem + u"-1.iso"}};
  const std::vector<DeviceListItem> items = ReadDeviceList();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(WholeDriveText(items[0]), u"D: " + stem + u"-1.iso");
  const std::u16string shown = DriveListText(items[0]);
  EXPECT_EQ(shown.size(), kDriveTextUnits);
  EXPECT_EQ(shown.substr(shown.size() - 6), u"-1.iso");
  EXPECT_NE(shown, DriveListText(items[1]));
  EXPECT_EQ(DriveToolTipText(items[0]), u"D: " + stem + u"-1.iso\n/discs/" + stem + u"-1.iso");
  EXPECT_EQ(DriveToolTipText(items[1]), u"E: " + stem + u"-2.iso");  // no path given
}

// A copy of a disc that lacks sectors says so after its name, which is
// shortened further to leave room; a whole copy and other drives do not.
TEST(DeviceListTest, APartialCopySaysHowManySectorsItLacks) {
  fake::Reset();
  const std::u16string stem(60, u'n');
  fake::script().devices = {u"D: rescued.iso", u"E: " + stem.substr(0, 46), u"F: whole.iso",
                            u"G: Drive"};
  fake::script().names = {{u'E', stem + u".iso"}};
  fake::script().paths = {{u'D', u"/discs/rescued.iso"}};
  fake::script().missingSectors = {{u'D', 1234}, {u'E', 1}, {u'F', 0}};
  const std::vector<DeviceListItem> items = ReadDeviceList();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(DriveListText(items[0]), u"D: rescued.iso (partial copy, 1234 missing)");
  const std::u16string shown = DriveListText(items[1]);
  EXPECT_EQ(shown.size(), kDriveTextUnits);
  EXPECT_EQ(shown.substr(shown.size() - 31), u"n.iso (partial copy, 1 missing)");
  EXPECT_EQ(DriveListText(items[2]), u"F: whole.iso");
  EXPECT_EQ(items[3].missingSectors, -1);
  EXPECT_EQ(DriveToolTipText(items[0]),
            u"D: rescued.iso\nA partial copy, 1234 sectors missing\n/discs/rescued.iso");
  EXPECT_EQ(PartialCopyText(1), u"partial copy, 1 sector missing");
}

TEST(DeviceListTest, ACountBeyondTheArrayIsCut) {
  fake::Reset();
  fake::script().devices = {u"D: One"};
  fake::script().deviceCount = 40;
  EXPECT_EQ(ReadDeviceList().size(), 26u);
  fake::script().deviceCount = -3;
  EXPECT_TRUE(ReadDeviceList().empty());
}

}  // namespace
