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

TEST(DeviceListTest, ACountBeyondTheArrayIsCut) {
  fake::Reset();
  fake::script().devices = {u"D: One"};
  fake::script().deviceCount = 40;
  EXPECT_EQ(ReadDeviceList().size(), 26u);
  fake::script().deviceCount = -3;
  EXPECT_TRUE(ReadDeviceList().empty());
}

}  // namespace
