// The layer that stands in for the Windows framework: dialog units, windows
// built from templates, lookup by id, the link, the tab control and the
// drop-down list's placement.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include "gui/platform/ControlId.h"
#include "gui/platform/Dialog.h"
#include "gui/platform/DialogTemplate.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/MoveWindow.h"
#include "gui/platform/TabCtrl.h"

namespace {

TEST(DialogUnitsTest, ConvertAsWindowsDoesWithRounding) {
  const DialogUnits units{7, 13};
  EXPECT_EQ(units.ToPixels(QRect(7, 8, 25, 8)), QRect(12, 13, 44, 13));
  EXPECT_EQ(units.ToPixels(QRect(0, 0, 315, 306)), QRect(0, 0, 551, 497));
  EXPECT_EQ(units.ToPixels(QRect(1, 1, 2, 3)), QRect(2, 2, 4, 5));  // halves round up
  EXPECT_EQ(units.ToPixels(QSize(283, 202)), QSize(495, 328));
  EXPECT_EQ(DialogUnits({6, 13}).ToPixels(QSize(4, 8)), QSize(6, 13));  // one character
}

const DialogTemplate kEveryKind = {
    7,
    {200, 100},
    "",
    kChildWindow,
    {
        {10, ControlKind::Static, "Label:", kRightAligned, {2, 4, 30, 8}},
        {11, ControlKind::PushButton, "Push", kTabStop, {40, 4, 50, 14}},
        {12, ControlKind::ComboBox, "", kTabStop, {100, 4, 60, 12}},
        {13,
         ControlKind::ListView,
         "",
         kBorder | kNoColumnHeader | kSingleSelection,
         {2, 20, 100, 40}},
        {14, ControlKind::TabControl, "", 0, {104, 20, 90, 70}},
        {15, ControlKind::SysLink, "See <a>the site</a> now", kTabStop, {2, 70, 90, 10}},
    },
};

TEST(DialogTemplateTest, BuildsEveryControlWithItsIdTextStyleAndPlace) {
  QWidget parent;
  parent.setFont(DialogFont());
  CreateControls(&parent, kEveryKind);
  const DialogUnits units = DialogUnits::ForFont(parent.font());

  auto* label = Item<QLabel>(&parent, 10);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Label:");
  EXPECT_TRUE(label->alignment() & Qt::AlignRight);
  EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(label->geometry(), units.ToPixels(QRect(2, 4, 30, 8)));

  auto* button = Item<QPushButton>(&parent, 11);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Push");
  EXPECT_EQ(button->focusPolicy(), Qt::StrongFocus);
  EXPECT_NE(Item<QComboBox>(&parent, 12), nullptr);
  auto* list = Item<QTreeWidget>(&parent, 13);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isHeaderHidden());
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(list->rootIsDecorated());
  EXPECT_NE(Item<TabCtrl>(&parent, 14), nullptr);
  ASSERT_NE(Item<LinkCtrl>(&parent, 15), nullptr);
  EXPECT_EQ(Item<LinkCtrl>(&parent, 15)->Text(), "See the site now");
  EXPECT_EQ(Item(&parent, 99), nullptr);
  EXPECT_EQ(Item<QLabel>(&parent, 11), nullptr);  // an id of another kind
}

class ChildDialog : public Dialog {
 public:
  ChildDialog() : Dialog(nullptr) {}
};

TEST(ControlIdTest, LookupStopsAtANestedDialog) {
  QWidget window;
  CreateControls(&window, kEveryKind);
  ChildDialog page;
  page.CreateModeless(kEveryKind, &window);
  EXPECT_EQ(Item(&window, 11)->parentWidget(), &window);
  EXPECT_NE(Item(&page, 11), nullptr);
  EXPECT_NE(Item(&page, 11), Item(&window, 11));
  EXPECT_EQ(Dialog::OwnerOf(Item(&page, 11)), &page);
}

TEST(LinkCtrlTest, OnlyTheLinkTakesClicksAndEnterIsItsOwnNotification) {
  LinkCtrl link("See <a>the site</a> now");
  link.resize(300, 20);
  link.show();
  QSignalSpy clicked(&link, &LinkCtrl::clicked);
  QSignalSpy returned(&link, &LinkCtrl::returnPressed);
  const QRect target = link.LinkRect();
  EXPECT_GT(target.left(), 0);
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(1, target.center().y()));  // "See"
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(target.right() + 5, target.center().y()));
  EXPECT_EQ(clicked.count(), 0);
  QTest::mouseClick(&link, Qt::LeftButton, {}, target.center());
  EXPECT_EQ(clicked.count(), 1);
  QTest::keyClick(&link, Qt::Key_Return);
  EXPECT_EQ(returned.count(), 1);
  EXPECT_EQ(clicked.count(), 1);
}

TEST(TabCtrlTest, OnlyTheUserSelectingATabReportsIt) {
  TabCtrl tabs;
  tabs.resize(300, 200);
  tabs.show();
  QSignalSpy changed(&tabs, &TabCtrl::selChange);
  EXPECT_EQ(tabs.InsertItem(0, "One"), 0);
  EXPECT_EQ(tabs.InsertItem(tabs.GetItemCount(), "Two"), 1);
  EXPECT_EQ(tabs.GetCurSel(), 0);
  tabs.SetCurSel(1);
  EXPECT_EQ(changed.count(), 0);
  QTest::mouseClick(tabs.Bar(), Qt::LeftButton, {}, tabs.Bar()->tabRect(0).center());
  EXPECT_EQ(tabs.GetCurSel(), 0);
  EXPECT_EQ(changed.count(), 1);
  const QRect display = tabs.AdjustRect(false, tabs.rect());
  EXPECT_GE(display.top(), tabs.Bar()->height());
  EXPECT_TRUE(tabs.rect().contains(display));
  EXPECT_EQ(tabs.AdjustRect(true, display), tabs.rect());
}

TEST(MoveWindowTest, ADropDownListKeepsItsBoxHeight) {
  QWidget parent;
  auto* combo = new QComboBox(&parent);
  auto* button = new QPushButton(&parent);
  MoveWindow(combo, 10, 20, 150, 122);
  MoveWindow(button, 10, 60, 80, 24);
  EXPECT_EQ(combo->geometry(), QRect(10, 20, 150, combo->sizeHint().height()));
  EXPECT_GT(combo->maxVisibleItems(), 1);
  EXPECT_EQ(button->geometry(), QRect(10, 60, 80, 24));
}

}  // namespace
