#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>

#include "../support/GroupListText.h"
#include "../support/WaitUntil.h"
#include "gui/pages/GroupListCtrl.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/DialogTemplate.h"
#include "gui/platform/ImageList.h"

namespace {

constexpr int kListId = 1002;

const DialogTemplate kHost = {1,
                              {200, 150},
                              "",
                              kChildWindow,
                              {{kListId,
                                ControlKind::ListView,
                                "",
                                kBorder | kNoColumnHeader | kSingleSelection,
                                {0, 0, 200, 150}}}};

class GroupListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.setFont(DialogFont());
    CreateControls(&host, kHost);
    list.SetupGroups(&host, kListId, {u"First", u"Second", u"Third"});
    host.resize(400, 300);
    host.show();
  }

  QStringList Lines() const { return GroupListLines(list.View()); }

  QWidget host;
  GroupListCtrl list;
};

TEST_F(GroupListCtrlTest, GroupsInDeclarationOrderRowsInAppendOrderEmptyGroupsHidden) {
  EXPECT_EQ(list.View(), Item(&host, kListId));
  EXPECT_TRUE(list.View()->isHeaderHidden());
  EXPECT_TRUE(Lines().isEmpty());  // no rows: no headings either
  list.AddRow(3, "c1", "third", kNoImage);
  list.AddRow(1, "a1", "yes", kImageYes);
  list.AddRow(3, "c2", "", kNoImage);
  list.AddRow(1, "a2", "no", kImageNo);
  EXPECT_EQ(Lines(), QStringList({"First", "  a1 | yes [yes]", "  a2 | no [no]", "Third",
                                  "  c1 | third", "  c2 | "}));
  list.ClearRows();
  EXPECT_TRUE(Lines().isEmpty());
  list.AddRow(2, "b", "again", kNoImage);
  EXPECT_EQ(Lines(), QStringList({"Second", "  b | again"}));
  // A value cut off by its column is there whole in its tooltip.
  EXPECT_EQ(list.View()->topLevelItem(1)->child(0)->toolTip(1), "again");
}

TEST_F(GroupListCtrlTest, HeadingsCannotBeSelected) {
  list.AddRow(1, "a", "1", kNoImage);
  const QTreeWidgetItem* heading = list.View()->topLevelItem(0);
  EXPECT_FALSE(heading->flags() & Qt::ItemIsSelectable);
  EXPECT_TRUE(heading->child(0)->flags() & Qt::ItemIsSelectable);
}

TEST_F(GroupListCtrlTest, RowsWithoutPictureKeepTheirLabelsInLine) {
  list.AddRow(1, "plain", "", kNoImage);
  list.AddRow(1, "checked", "", kImageYes);
  const QTreeWidgetItem* group = list.View()->topLevelItem(0);
  const QRect plain = list.View()->visualItemRect(group->child(0));
  const QRect checked = list.View()->visualItemRect(group->child(1));
  EXPECT_EQ(plain.left(), checked.left());
  EXPECT_FALSE(group->child(0)->icon(0).isNull());
}

TEST_F(GroupListCtrlTest, FitToRectPlacesTheListAndSharesItsWidth) {
  const int v = list.View()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list.View());
  struct Case {
    QRect rect;
    int first, second;
  };
  const Case cases[] = {
      {QRect(0, 0, 500, 300), 250 - v - 10, 250},
      {QRect(5, 7, 301, 200), 150 - v - 10, 150},
      {QRect(0, 0, 20, 50), 0, 10},  // too narrow for the first column
  };
  for (const Case& c : cases) {
    list.FitToRect(c.rect);
    EXPECT_EQ(list.View()->geometry(), c.rect);
    EXPECT_EQ(list.View()->columnWidth(0), c.first) << c.rect.width();
    EXPECT_EQ(list.View()->columnWidth(1), c.second) << c.rect.width();
  }
}

TEST(AppendIconTest, AppendsAtTheEndAndSkipsMissingResources) {
  ImageList images(16, 16, 4);
  EXPECT_EQ(AppendIcon(images, 140), 0);
  EXPECT_EQ(AppendIcon(images, 9999), -1);  // no such icon: nothing added
  EXPECT_EQ(AppendIcon(images, 141), 1);    // takes the free index
  EXPECT_EQ(images.Count(), 2);
  EXPECT_EQ(IconImage(images.Icon(1)), IconImage(LoadIcon(141)));
  EXPECT_TRUE(images.Icon(-1).isNull());
  EXPECT_TRUE(images.Icon(2).isNull());
}

TEST(ResourcesTest, EveryPictureIsThereAtItsSize) {
  for (const int icon : {128, 133, 134, 135, 136, 137, 138, 139, 140, 141}) {
    const QIcon loaded = LoadIcon(icon);
    ASSERT_FALSE(loaded.isNull()) << icon;
    EXPECT_TRUE(loaded.availableSizes().contains(QSize(16, 16))) << icon;
  }
  EXPECT_TRUE(LoadIcon(128).availableSizes().contains(QSize(256, 256)));
  const QPixmap about = LoadBitmap(146);
  EXPECT_EQ(about.size(), QSize(373, 111));
  EXPECT_FALSE(about.hasAlphaChannel());
}

// Ctrl+C and the context menu's "Copy" put the selected rows on the
// clipboard, a row a line, label and value separated by a tab.
TEST_F(GroupListCtrlTest, CopiesTheSelectedRows) {
  list.AddRow(1, "Name", "Drive", -1);
  list.AddRow(2, "Speed", "48x", 0);
  list.AddRow(1, "Vendor", "Virtual", -1);
  list.View()->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list.View()->topLevelItem(0)->child(1)->setSelected(true);
  list.View()->topLevelItem(1)->child(0)->setSelected(true);
  host.activateWindow();
  list.View()->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return list.View()->hasFocus(); }));
  QApplication::clipboard()->clear();
  QTest::keyClick(list.View(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "Vendor\tVirtual\nSpeed\t48x\n");

  list.View()->clearSelection();
  list.View()->topLevelItem(0)->child(0)->setSelected(true);
  EXPECT_EQ(list.View()->contextMenuPolicy(), Qt::ActionsContextMenu);
  ASSERT_EQ(list.View()->actions().size(), 1);
  QAction* copy = list.View()->actions().front();
  EXPECT_EQ(copy->text(), "Copy");
  copy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "Name\tDrive\n");
}

}  // namespace
