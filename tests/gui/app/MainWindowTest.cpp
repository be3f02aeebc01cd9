// The main window as the user sees and drives it: layout, tabs, the drive
// list and the contexts it builds, the menu and toolbar commands, and the
// keys that end the program.
#include <FakeEngine.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <memory>

#include "../support/GroupListText.h"
#include "../support/UrlCatcher.h"
#include "../support/WaitUntil.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RecentImagesMenu.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/Menu.h"
#include "gui/platform/ProgramSettings.h"
#include "gui/platform/TabCtrl.h"
#include "gui/platform/ToolBarCtrl.h"

using ::testing::ElementsAre;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::script().devices = {u"E: Second drive", u"D: First drive"};
    fake::script().capabilitiesHandle = 7;
  }

  // Builds and shows the window as the program does, without running it.
  void Open() {
    window = std::make_unique<MainWindow>();
    window->Create();
    window->show();
    ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
  }

  // Resizes the window so that its client area is w x h pixels.
  void ResizeClient(int w, int h) {
    const QSize frame = window->size() - window->Client()->size();
    window->resize(QSize(w, h) + frame);
    ASSERT_TRUE(WaitUntil([&] { return window->Client()->size() == QSize(w, h); }));
  }

  QWidget* Control(int id) const { return Item(window->Client(), id); }
  DeviceCombo* Drives() const { return Item<DeviceCombo>(window->Client(), 1001); }
  TabCtrl* Tabs() const { return Item<TabCtrl>(window->Client(), 1003); }
  std::uint16_t Letter() const { return window->CurrentContext()->driveLetter; }

  // The engine calls since `from`, as an index into fake::Calls().
  static std::vector<std::string> CallsSince(std::size_t from) {
    const std::vector<std::string> calls = fake::Calls();
    return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(from), calls.end());
  }

  void ExpectEveryPageHoldsTheContext() const {
    for (int i = 0; i < Tabs()->GetItemCount(); ++i)
      EXPECT_EQ(window->Page(i)->context, window->CurrentContext()) << "page " << i;
  }

  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, LayoutInPixelsAtTwoSizes) {
  Open();
  for (const QSize client : {QSize(640, 560), QSize(913, 741)}) {
    ResizeClient(client.width(), client.height());
    const int w = client.width(), h = client.height();
    SCOPED_TRACE(w);
    EXPECT_EQ(Control(1004)->geometry(), QRect(9, 11, 44, 20));
    EXPECT_EQ(window->Toolbar()->geometry(), QRect(w - 108, 9, 100, 22));
    const QRect combo = Drives()->geometry();
    EXPECT_EQ(combo.topLeft(), QPoint(58, 9));
    EXPECT_EQ(combo.width(), (w - 8 - 105) - 58);
    EXPECT_EQ(combo.height(), Drives()->sizeHint().height());  // the closed box
    EXPECT_EQ(Control(1046)->geometry(), QRect(9, h - 28, 180, 18));
    EXPECT_EQ(Control(2)->geometry(), QRect(w - 88, h - 32, 80, 24));
    EXPECT_EQ(Tabs()->geometry(), QRect(9, 43, w - 17, h - 82));
    // Every page fills the tab control's display area, inset by 7 pixels on
    // the left, right and bottom and 10 on the top.
    const QRect display = Tabs()->AdjustRect(false, Tabs()->rect());
    EXPECT_EQ(display.top(), Tabs()->Bar()->height() + 2);
    for (int i = 0; i < Tabs()->GetItemCount(); ++i)
      EXPECT_EQ(window->Page(i)->geometry(), display.adjusted(7, 10, -7, -7)) << i;
    EXPECT_EQ(window->Page(0)->geometry(), QRect(9, Tabs()->Bar()->height() + 12, w - 17 - 18,
                                                 h - 82 - Tabs()->Bar()->height() - 21));
  }
}

// The window opens wide enough for the Sector Viewer to show each dump line
// on one line in this desktop's fixed-pitch font; made narrower, it wraps.
TEST_F(MainWindowTest, OpensWideEnoughForWholeDumpLines) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(1000, 0, 1);
  Open();
  Tabs()->Bar()->setCurrentIndex(3);
  auto* viewer = Item<QPlainTextEdit>(window->Page(3), 1032);
  ASSERT_TRUE(WaitUntil([&] { return viewer->isVisible() && !viewer->toPlainText().isEmpty(); }));
  const auto linesOfFirstRow = [&] {
    const QTextBlock row = viewer->document()->firstBlock();
    EXPECT_EQ(row.text().size(), 66);
    viewer->grab();  // lays the visible rows out at the viewer's width
    return row.layout()->lineCount();
  };
  EXPECT_EQ(linesOfFirstRow(), 1);
  ResizeClient(500, window->Client()->height());
  EXPECT_GT(linesOfFirstRow(), 1);
}

TEST_F(MainWindowTest, CannotBeMadeSmallerThan500By500) {
  Open();
  window->resize(300, 200);
  EXPECT_EQ(window->size(), QSize(500, 500));
  window->resize(499, 800);
  EXPECT_EQ(window->size(), QSize(500, 800));
}

TEST_F(MainWindowTest, TabsInOrderAndOnlyTheSelectedPageShows) {
  Open();
  EXPECT_EQ(window->windowTitle(), "Corvane Lumeter");
  QStringList titles;
  for (int i = 0; i < Tabs()->GetItemCount(); ++i) {
    titles << Tabs()->ItemText(i);
    EXPECT_EQ(window->Page(i)->GetTitle(), Tabs()->ItemText(i));
  }
  EXPECT_EQ(titles, QStringList({"Device Features", "Media", "Scan", "Sector Viewer"}));
  EXPECT_EQ(Tabs()->GetCurSel(), 0);
  EXPECT_TRUE(window->Page(0)->isVisible());
  EXPECT_FALSE(window->Page(1)->isVisible());
  QTest::mouseClick(Tabs()->Bar(), Qt::LeftButton, {}, Tabs()->Bar()->tabRect(1).center());
  EXPECT_EQ(Tabs()->GetCurSel(), 1);
  EXPECT_FALSE(window->Page(0)->isVisible());
  EXPECT_TRUE(window->Page(1)->isVisible());
  // Every page has its window and the first context once the window shows.
  for (int i = 0; i < Tabs()->GetItemCount(); ++i) EXPECT_TRUE(window->Page(i)->HasWindow());
  ExpectEveryPageHoldsTheContext();
}

TEST_F(MainWindowTest, DriveSelectionBuildsANewContextAndReleasesTheOldOneAfterIt) {
  Open();
  EXPECT_EQ(Drives()->count(), 2);
  EXPECT_EQ(Drives()->currentText(), "D: First drive");
  EXPECT_EQ(Letter(), u'D');
  ExpectEveryPageHoldsTheContext();

  const std::size_t before = fake::Calls().size();
  const DeviceContext* first = window->CurrentContext();
  Drives()->setFocus();
  QTest::keyClick(Drives(), Qt::Key_Down);  // the user picks the next drive
  EXPECT_EQ(Drives()->currentText(), "E: Second drive");
  EXPECT_EQ(Letter(), u'E');
  EXPECT_NE(window->CurrentContext(), first);
  ExpectEveryPageHoldsTheContext();
  const std::vector<std::string> calls = CallsSince(before);
  const auto loaded = std::find(calls.begin(), calls.end(), "GetMediumInformation(-1)");
  const auto released = std::find(calls.begin(), calls.end(), "ReleaseDeviceCapabilities(7)");
  ASSERT_NE(released, calls.end());
  EXPECT_EQ(calls.front(), "SetBurnDevice(69)");
  EXPECT_LT(loaded, released) << "the old context goes after the new one is loaded";

  // Choosing the same drive again builds a new context too.
  const DeviceContext* second = window->CurrentContext();
  emit Drives()->activated(Drives()->currentIndex());
  EXPECT_NE(window->CurrentContext(), second);
  EXPECT_EQ(Letter(), u'E');
}

TEST_F(MainWindowTest, RescanKeepsTheSelectedDriveWhileItIsListed) {
  Open();
  Drives()->setCurrentIndex(1);
  emit Drives()->activated(1);
  ASSERT_EQ(Letter(), u'E');

  fake::script().devices = {u"F: Third drive", u"E: Second drive", u"C: New drive"};
  const DeviceContext* before = window->CurrentContext();
  window->OnCommand(MainWindow::kRescanDevices);
  EXPECT_EQ(Drives()->count(), 3);
  EXPECT_EQ(Drives()->currentText(), "E: Second drive");
  EXPECT_EQ(Letter(), u'E');
  EXPECT_NE(window->CurrentContext(), before);
  ExpectEveryPageHoldsTheContext();

  fake::script().devices = {u"F: Third drive", u"D: First drive"};
  window->Toolbar()->Button(MainWindow::kRescanDevices)->trigger();
  EXPECT_EQ(Drives()->currentText(), "D: First drive");
  EXPECT_EQ(Letter(), u'D');
}

// The unusable entry is listed but never chosen; the pages show no made-up
// drive, and the Media page says there is no medium.
TEST_F(MainWindowTest, WithoutDrivesTheContextIsForLetterZeroAndPagesAreEmpty) {
  fake::script().devices = {u"#D: broken.iso: not a disc image"};
  fake::script().results["GetMediumInformation"] = 1;
  Open();
  EXPECT_EQ(Drives()->count(), 1);
  EXPECT_EQ(Drives()->currentIndex(), -1);
  EXPECT_EQ(Letter(), 0);
  EXPECT_THAT(fake::CallsNamed("SetBurnDevice"), ElementsAre("SetBurnDevice(0)"));
  auto* media = Item<QTreeWidget>(window->Page(1), 1007);
  EXPECT_TRUE(GroupListLines(media).isEmpty());
  EXPECT_TRUE(GroupListLines(Item<QTreeWidget>(window->Page(0), 1002)).isEmpty());
  EXPECT_TRUE(fake::CallsNamed("AnalyseDeviceCapability").empty());
  Tabs()->Bar()->setCurrentIndex(1);
  auto* note = media->viewport()->findChild<QLabel*>();
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->text(), "No medium");
  // Nothing to report on, no tray to move and no firmware to look for.
  for (QAction* action : {window->Menu()->Command(MainWindow::kSaveReport),
                          window->Toolbar()->Button(MainWindow::kSaveReport),
                          window->Menu()->Command(MainWindow::kOpenTray),
                          window->Menu()->Command(MainWindow::kCloseTray),
                          window->Toolbar()->Button(MainWindow::kOpenTray)})
    EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
  EXPECT_FALSE(Item(window->Page(0)->Client(), 1006)->isEnabled());

  // A drive shown enables them.
  fake::script().devices = {u"D: First drive"};
  fake::script().results.erase("GetMediumInformation");
  window->Toolbar()->Button(MainWindow::kRescanDevices)->trigger();
  ASSERT_EQ(Letter(), u'D');
  EXPECT_TRUE(window->Menu()->Command(MainWindow::kSaveReport)->isEnabled());
  EXPECT_TRUE(window->Toolbar()->Button(MainWindow::kOpenTray)->isEnabled());
  EXPECT_TRUE(Item(window->Page(0)->Client(), 1006)->isEnabled());
}

TEST_F(MainWindowTest, MediaPageSaysNoMediumOnlyWithoutOne) {
  fake::script().results["GetMediumInformation"] = 1;
  Open();
  Tabs()->Bar()->setCurrentIndex(1);
  auto* media = Item<QTreeWidget>(window->Page(1), 1007);
  auto* note = media->viewport()->findChild<QLabel*>();
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->text(), "No medium");
  EXPECT_FALSE(
      GroupListLines(Item<QTreeWidget>(window->Page(0), 1002)).contains("  Drive Letter | "));

  fake::script().results.erase("GetMediumInformation");
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(1000, 0, 1);
  window->Toolbar()->Button(MainWindow::kRescanDevices)->trigger();
  EXPECT_FALSE(note->isVisible());
  EXPECT_FALSE(GroupListLines(media).isEmpty());
}

TEST_F(MainWindowTest, TrayCommandsLeaveThePagesAsTheyWere) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(1000, 0, 1);
  Open();
  auto* media = Item<QTreeWidget>(window->Page(1), 1007);
  const QStringList shown = GroupListLines(media);
  ASSERT_FALSE(shown.isEmpty());
  const DeviceContext* context = window->CurrentContext();

  // The menu's items do what they say; the toolbar's button closes the tray
  // the program opened, and opens it otherwise, saying in its tooltip which.
  QAction* button = window->Toolbar()->Button(MainWindow::kOpenTray);
  const struct {
    QAction* action;
    const char* call;
    const char* tooltipAfter;
  } steps[] = {
      {window->Menu()->Command(MainWindow::kOpenTray), "EjectDevice(-1)", "Close Tray"},
      {button, "CloseDevice(-1)", "Open Tray"},
      {button, "EjectDevice(-1)", "Close Tray"},
      {window->Menu()->Command(MainWindow::kCloseTray), "CloseDevice(-1)", "Open Tray"},
  };
  for (const auto& step : steps) {
    const std::size_t before = fake::Calls().size();
    step.action->trigger();
    EXPECT_THAT(CallsSince(before), ElementsAre(step.call));
    EXPECT_EQ(button->toolTip(), step.tooltipAfter);
  }
  EXPECT_EQ(window->CurrentContext(), context);
  EXPECT_EQ(GroupListLines(media), shown);
}

// Close Image is offered for a virtual drive only, and closes the selected
// one; the list is read again and the first drive shown.
TEST_F(MainWindowTest, CloseImageOnlyForAVirtualDrive) {
  struct Case {
    const char16_t* vendor;
    bool offered;
  };
  for (const Case c : {Case{u"HL-DT-ST", false}, Case{u"Virtual", true}}) {
    fake::Reset();
    fake::script().devices = {u"E: second.iso", u"D: First drive"};
    fake::script().identity = std::array<std::u16string, 3>{c.vendor, u"Model", u"1.0"};
    Open();
    Drives()->setCurrentIndex(1);
    emit Drives()->activated(1);
    ASSERT_EQ(Letter(), u'E');
    QAction* close = window->Menu()->Command(MainWindow::kCloseImage);
    emit qobject_cast<QMenu*>(close->parent())->aboutToShow();
    EXPECT_EQ(close->isEnabled(), c.offered);
    fake::script().devices = {u"D: First drive"};
    const std::size_t before = fake::Calls().size();
    close->trigger();
    const std::vector<std::string> closed = fake::CallsNamed("CloseImageDrive");
    if (c.offered) {
      EXPECT_EQ(closed, std::vector<std::string>{"CloseImageDrive(69)"});
      EXPECT_EQ(Letter(), u'D');
    } else {
      EXPECT_TRUE(closed.empty());
      EXPECT_EQ(fake::Calls().size(), before);
    }
    window.reset();
  }
}

// The menu item and the toolbar button both offer to save the report, as
// HTML or JSON, under the drive's name and the date; cancelling writes nothing.
TEST_F(MainWindowTest, SaveReportOffersTheSaveDialog) {
  Open();
  QStringList offered;
  window->SetSaveFileDialog([&](QFileDialog& dialog) {
    offered << QFileInfo(dialog.selectedFiles().value(0)).fileName() + " | " +
                   dialog.nameFilters().join(", ");
    return QString();
  });
  window->Menu()->Command(MainWindow::kSaveReport)->trigger();
  window->Toolbar()->Button(MainWindow::kSaveReport)->trigger();
  const QString expected = QString(QChar(Letter())) + "-" +
                           QDate::currentDate().toString("yyyy-MM-dd") +
                           "-report.html | HTML Report (*.html *.htm), JSON Report (*.json)";
  EXPECT_EQ(offered, QStringList({expected, expected}));
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, WebPagesOpenInTheBrowser) {
  Open();
  UrlCatcher browser;
  window->Menu()->Command(MainWindow::kWebsite)->trigger();
  window->Menu()->Command(MainWindow::kSupport)->trigger();
  EXPECT_EQ(browser.opened, QStringList({"https://www.corvane.example",
                                         "https://www.corvane.example/index.php/support"}));
}

// Without a browser (the offscreen platform opens none) the address is shown
// in a box, selectable for copying.
TEST_F(MainWindowTest, WebPageWithoutABrowserShowsItsAddress) {
  Open();
  for (const auto& [command, address] :
       {std::pair{MainWindow::kWebsite, "https://www.corvane.example"},
        std::pair{MainWindow::kSupport, "https://www.corvane.example/index.php/support"}}) {
    SCOPED_TRACE(address);
    WithModalDialog([&] { window->Menu()->Command(command)->trigger(); },
                    [&](QDialog* dialog) {
                      auto* box = qobject_cast<QMessageBox*>(dialog);
                      ASSERT_NE(box, nullptr);
                      EXPECT_TRUE(box->text().endsWith(QStringLiteral("\n") + address));
                      EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse);
                    });
  }
}

// Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, round the ends, from
// the tab bar or from inside a page.
TEST_F(MainWindowTest, ControlTabMovesBetweenTabs) {
  Open();
  QTabBar* bar = Tabs()->Bar();
  bar->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return bar->hasFocus(); }));
  const auto press = [](QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(w, key, modifiers);
  };
  press(bar, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(bar->currentIndex(), 1);
  EXPECT_TRUE(window->Page(1)->isVisible());
  press(bar, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  press(bar, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(bar->currentIndex(), 3);
  EXPECT_TRUE(window->Page(3)->isVisible());
  QWidget* viewer = Item(window->Page(3), 1032);
  viewer->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return viewer->hasFocus(); }));
  press(viewer, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(bar->currentIndex(), 0);
  EXPECT_TRUE(window->Page(0)->isVisible());
}

TEST_F(MainWindowTest, MenuAndToolbarAsDeclared) {
  Open();
  QStringList items;
  for (QAction* popup : window->Menu()->actions()) {
    items << popup->text();
    for (QAction* item : popup->menu()->actions())
      items << (item->isSeparator()
                    ? QStringLiteral("  -")
                    : QStringLiteral("  %1 = %2").arg(item->text()).arg(item->data().toInt()));
  }
  // '&' marks the access key of each.
  EXPECT_EQ(items, QStringList({"&General",
                                "  Open &Image... = 32790",
                                "  &Recent Images = 0",
                                "  Close I&mage = 32791",
                                "  -",
                                "  &Open Tray = 102",
                                "  &Close Tray = 32780",
                                "  &Save Report = 103",
                                "  &Extract Files... = 32793",
                                "  -",
                                "  &Rescan Devices = 101",
                                "  -",
                                "  As&k to Save a Report on Exit = 32792",
                                "  -",
                                "  E&xit = 57665",
                                "&Info",
                                "  Corvane &Website = 32782",
                                "  &Support = 32778",
                                "  -",
                                "  &About = 57664"}));
  QStringList buttons;
  for (QAction* button : window->Toolbar()->actions())
    buttons << (button->isSeparator() ? QStringLiteral("-")
                                      : QString::number(button->data().toInt()));
  EXPECT_EQ(buttons, QStringList({"101", "102", "-", "103"}));
  EXPECT_EQ(IconImage(window->Toolbar()->Button(101)->icon()), IconImage(LoadIcon(135)));
  EXPECT_EQ(IconImage(window->Toolbar()->Button(102)->icon()), IconImage(LoadIcon(133)));
  EXPECT_EQ(IconImage(window->Toolbar()->Button(103)->icon()), IconImage(LoadIcon(134)));
  EXPECT_EQ(window->Toolbar()->Button(101)->toolTip(), "Rescan Devices");
  EXPECT_EQ(window->Toolbar()->Button(102)->toolTip(), "Open Tray");
  EXPECT_EQ(window->Toolbar()->Button(103)->toolTip(), "Save Report");
  EXPECT_EQ(Item<QLabel>(window->Client(), 1004)->text(), "Device:");
  EXPECT_EQ(Item<LinkCtrl>(window->Client(), 1046)->Text(), "About Corvane Lumeter");
  EXPECT_EQ(Item<QPushButton>(window->Client(), 2)->text(), "Close");
}

// Only the Close button, the close box and Exit end the program; Enter and
// Escape on the window's own controls do nothing (a key must not throw away
// a scan's results).
TEST_F(MainWindowTest, KeysAndButtonsThatEndTheProgram) {
  constexpr int kStaysOpen = -1;
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> act;
    int result;
  };
  // The user puts the focus on a control and presses a key there.
  const auto press = [](QWidget* control, Qt::Key k) {
    control->activateWindow();
    control->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return control->hasFocus(); }));
    QTest::keyClick(control, k);
  };
  const auto key = [press](int id, Qt::Key k) {
    return [press, id, k](MainWindow& w) { press(Item(w.Client(), id), k); };
  };
  const auto tabBarKey = [press](Qt::Key k) {
    return [press, k](MainWindow& w) { press(Item<TabCtrl>(w.Client(), 1003)->Bar(), k); };
  };
  const Case cases[] = {
      {"Escape on the drive list", key(1001, Qt::Key_Escape), kStaysOpen},
      {"Enter on the drive list", key(1001, Qt::Key_Return), kStaysOpen},
      {"Escape on the tab control", tabBarKey(Qt::Key_Escape), kStaysOpen},
      {"Enter on the tab control", tabBarKey(Qt::Key_Enter), kStaysOpen},
      {"Escape on the Close button", key(2, Qt::Key_Escape), kStaysOpen},
      {"Enter on the Close button", key(2, Qt::Key_Return), kIdCancel},
      {"Close button", [](MainWindow& w) { Item<QPushButton>(w.Client(), 2)->click(); }, kIdCancel},
      {"close box", [](MainWindow& w) { w.close(); }, kIdCancel},
      {"Exit", [](MainWindow& w) { w.OnCommand(MainWindow::kExit); }, kIdClose},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open();
    window->setResult(kStaysOpen);
    c.act(*window);
    EXPECT_EQ(window->isVisible(), c.result == kStaysOpen);
    EXPECT_EQ(window->result(), c.result);
  }
}

TEST_F(MainWindowTest, EnterAndEscapeInsideAPageKeepTheProgramRunning) {
  Open();
  for (const Qt::Key k : {Qt::Key_Return, Qt::Key_Escape})
    QTest::keyClick(Item(window->Page(0), 1002), k);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Page(0)->isVisible());
}

}  // namespace

namespace {

// A long path shows its start and its file name around "…", at most
// kShownUnits units; the tooltip gives it whole, and '&' shows as itself.
TEST(RecentImagesMenuTest, LongPathsAreShortenedInTheMiddle) {
  ProgramSettings().clear();
  const QString deep = "/media/archive/" + QString(80, u'x') + "/disc-2026-12-10-copy-2.iso";
  RecentImagesMenu::Remember(QStringLiteral("/discs/R&D.iso"));
  RecentImagesMenu::Remember(deep);
  RecentImagesMenu menu;
  menu.Fill();
  ASSERT_EQ(menu.actions().size(), 2);
  const QString shown = menu.actions()[0]->text().mid(3);
  EXPECT_EQ(shown.size(), static_cast<qsizetype>(RecentImagesMenu::kShownUnits));
  EXPECT_TRUE(shown.startsWith("/media/archive/x")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/disc-2026-12-10-copy-2.iso")) << shown.toStdString();
  EXPECT_TRUE(shown.contains(u'…'));
  EXPECT_EQ(menu.actions()[0]->toolTip(), deep);
  EXPECT_EQ(menu.actions()[1]->text(), "&2 /discs/R&&D.iso");
  ProgramSettings().clear();
}

}  // namespace
