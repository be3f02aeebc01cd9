#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>

#include "gui/controls/DeviceCombo.h"

namespace {

QStringList Items(const DeviceCombo& combo) {
  QStringList texts;
  for (int i = 0; i < combo.count(); ++i) texts << combo.itemText(i);
  return texts;
}

class DeviceComboTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  DeviceCombo combo;
};

// Unusable entries follow the sorted drives, greyed out and never selected,
// with the reason in their tooltip; the keys pass them by.
TEST_F(DeviceComboTest, SortsDrivesAndListsUnusableEntriesGreyedAfterThem) {
  fake::script().devices = {u"F: Zeta", u"#G: broken.iso: not a disc image", u"D: Alpha",
                            u"#H: empty.iso: empty file"};
  combo.FillDevices();
  EXPECT_EQ(Items(combo), QStringList({"D: Alpha", "F: Zeta", "G: broken.iso: not a disc image",
                                       "H: empty.iso: empty file"}));
  EXPECT_EQ(combo.itemData(0).toUInt(), uint('D'));
  EXPECT_EQ(combo.itemData(1).toUInt(), uint('F'));
  EXPECT_EQ(combo.currentIndex(), 0);
  EXPECT_EQ(fake::Calls(), std::vector<std::string>{"GetDevices(0)"});
  const auto flags = [&](int row) { return combo.model()->flags(combo.model()->index(row, 0)); };
  for (int row : {0, 1}) EXPECT_TRUE(flags(row) & Qt::ItemIsEnabled) << row;
  for (int row : {2, 3}) {
    EXPECT_FALSE(flags(row) & (Qt::ItemIsEnabled | Qt::ItemIsSelectable)) << row;
    EXPECT_EQ(combo.itemData(row, Qt::ToolTipRole).toString(), combo.itemText(row));
  }
  EXPECT_EQ(combo.itemData(0, Qt::ToolTipRole).toString(), "D: Alpha");
  combo.show();
  combo.setCurrentIndex(1);
  combo.setFocus();
  QTest::keyClick(&combo, Qt::Key_Down);
  QTest::keyClick(&combo, Qt::Key_End);
  EXPECT_EQ(combo.currentIndex(), 1);
  EXPECT_EQ(combo.SelectedDrive(), u'F');
}

// The list's entry holds the first 49 units; the tooltip gives the whole
// reason the engine keeps for the letter, and the item its start and end.
// Long entries, usable or not, keep their ends in the list; the tooltip holds
// the whole text and the path.
TEST_F(DeviceComboTest, LongEntriesKeepTheirEndsAndTooltipsHoldTheWholeTextAndPath) {
  const std::u16string reason =
      u"a-long-image-name-that-the-engine-cuts-short.cue: cue line 12: unknown track type "
      u"MODE3/2352";
  const std::u16string name = u"the-backup-of-the-family-photos-from-the-summer-2019-disc-2.iso";
  fake::script().devices = {u"D: " + name.substr(0, 46), u"#G: " + reason.substr(0, 45)};
  fake::script().unusableReasons[u'G'] = reason;
  fake::script().names[u'D'] = name;
  fake::script().paths = {{u'D', u"/media/" + name}, {u'G', u"/tmp/a.cue"}};
  combo.FillDevices();
  ASSERT_EQ(combo.count(), 2);
  EXPECT_TRUE(combo.itemText(0).endsWith("disc-2.iso")) << combo.itemText(0).toStdString();
  EXPECT_EQ(combo.itemData(0, Qt::ToolTipRole).toString(),
            QString::fromStdU16String(u"D: " + name + u"\n/media/" + name));
  EXPECT_TRUE(combo.itemText(1).startsWith("G: a-long-image")) << combo.itemText(1).toStdString();
  EXPECT_TRUE(combo.itemText(1).endsWith("MODE3/2352")) << combo.itemText(1).toStdString();
  EXPECT_EQ(combo.itemData(1, Qt::ToolTipRole).toString(),
            QString::fromStdU16String(u"G: " + reason + u"\n/tmp/a.cue"));
}

TEST_F(DeviceComboTest, OnlyUnusableEntriesLeaveNothingSelected) {
  fake::script().devices = {u"#D: broken.iso: not a disc image"};
  combo.FillDevices();
  EXPECT_EQ(combo.count(), 1);
  EXPECT_EQ(combo.currentIndex(), -1);
  EXPECT_EQ(combo.SelectedDrive(), 0);
}

TEST_F(DeviceComboTest, SelectionRulesOnRefill) {
  struct Case {
    const char* what;
    std::vector<std::u16string> before, after;
    char selectBefore;
    QString expected;  // selected text after the refill; empty = no selection
  };
  const Case cases[] = {
      {"kept drive stays selected though it moves",
       {u"E: Drive", u"F: Other"},
       {u"F: Other", u"E: Drive", u"D: New"},
       'E',
       "E: Drive"},
      {"gone drive gives the first item",
       {u"E: Drive", u"F: Other"},
       {u"F: Other", u"G: Last"},
       'E',
       "F: Other"},
      {"kept drive inserted before others",
       {u"G: Drive", u"H: x"},
       {u"G: Drive", u"E: a", u"D: b"},
       'G',
       "G: Drive"},
      {"no entries leave nothing selected", {u"E: Drive"}, {}, 'E', ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::script().devices = c.before;
    combo.FillDevices();
    for (int i = 0; i < combo.count(); ++i)
      if (combo.itemData(i).toUInt() == uint(c.selectBefore)) combo.setCurrentIndex(i);
    fake::script().devices = c.after;
    combo.FillDevices();
    EXPECT_EQ(combo.currentText(), c.expected);
    EXPECT_EQ(combo.currentIndex() < 0, c.expected.isEmpty());
    EXPECT_EQ(combo.count(), int(c.after.size()));
  }
}

TEST_F(DeviceComboTest, SortedInsertionReturnsTheIndex) {
  EXPECT_EQ(combo.AddSorted("M"), 0);
  EXPECT_EQ(combo.AddSorted("b"), 0);
  EXPECT_EQ(combo.AddSorted("Z"), 2);
  EXPECT_EQ(combo.AddSorted("C"), 1);
  EXPECT_EQ(Items(combo), QStringList({"b", "C", "M", "Z"}));
}

TEST_F(DeviceComboTest, NeverReadsMoreThanTwentySixEntries) {
  for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
    fake::script().devices.push_back(std::u16string(1, letter) + u": drive");
  fake::script().deviceCount = 40;  // a lying count
  combo.FillDevices();
  EXPECT_EQ(combo.count(), 26);
}

}  // namespace
