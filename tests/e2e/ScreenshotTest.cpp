// The program end to end: the real engine on the sample discs as virtual
// drives, the main window showing their facts, and a screenshot of every tab
// and of the About box saved for a person to look at.
//
// WRENLO_IMAGES names the discs (healthy.iso, then damaged.iso);
// LUMETER_SCREENSHOTS names the folder for the PNG files.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include "../gui/support/GroupListText.h"
#include "../gui/support/WaitUntil.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/pages/SectorInfoPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/TabCtrl.h"

namespace {

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { wrenlo::Initialize(); }

  void SetUp() override {
    folder = QDir(qEnvironmentVariable("LUMETER_SCREENSHOTS", QStringLiteral("screenshots")));
    ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
    window.Create();
    window.resize(760, 640);
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }));
  }

  void Save(QWidget* shown, const QString& name) {
    QCoreApplication::processEvents();  // let pending layouts and repaints run
    const QString path = folder.filePath(name);
    EXPECT_TRUE(shown->grab().save(path)) << path.toStdString();
  }

  DeviceCombo* Drives() const { return Item<DeviceCombo>(window.Client(), 1001); }
  TabCtrl* Tabs() const { return Item<TabCtrl>(window.Client(), 1003); }
  QStringList MediaLines() const { return GroupListLines(Item<QTreeWidget>(window.Page(1), 1007)); }

  QDir folder;
  MainWindow window;
};

TEST_F(EndToEndTest, ShowsTheSampleDiscsAndSavesAScreenshotOfEveryTab) {
  ASSERT_EQ(Drives()->count(), 2);
  EXPECT_EQ(Drives()->itemText(0), "D: healthy.iso");
  EXPECT_EQ(Drives()->itemText(1), "E: damaged.iso");

  const QStringList healthy = MediaLines();
  for (const char* line : {"  Sectors | 1921", "  Content Type | Data (Mode 1)", "  Bootable | Yes",
                           "ISO File System", "  Volume Label | LUMETER_SAMPLE",
                           "  Publisher | CORVANE", "  Application | CORVANE LUMETER SAMPLES",
                           "Joliet File System", "UDF File System", "  UDF Version | 1.02"})
    EXPECT_TRUE(healthy.contains(QString::fromUtf8(line))) << line;
  const QStringList features = GroupListLines(Item<QTreeWidget>(window.Page(0), 1002));
  EXPECT_TRUE(features.contains("  Drive Letter | D:"));

  for (int i = 0; i < Tabs()->GetItemCount(); ++i) {
    Tabs()->Bar()->setCurrentIndex(i);
    ASSERT_TRUE(WaitUntil([&] { return window.Page(i)->isVisible(); }));
    Save(&window, QStringLiteral("tab%1-%2.png")
                      .arg(i + 1)
                      .arg(Tabs()->ItemText(i).toLower().replace(' ', '-')));
  }

  // The end of the media page: the UDF rows.
  Tabs()->Bar()->setCurrentIndex(1);
  auto* media = Item<QTreeWidget>(window.Page(1), 1007);
  media->scrollToBottom();
  QScrollBar* bar = media->verticalScrollBar();
  EXPECT_TRUE(WaitUntil([&] { return bar->maximum() > 0 && bar->value() == bar->maximum(); }));
  Save(&window, QStringLiteral("tab2-media-end.png"));

  // The damaged disc: no boot record, no UDF.
  Drives()->setCurrentIndex(1);
  emit Drives()->activated(1);
  const QStringList damaged = MediaLines();
  EXPECT_TRUE(damaged.contains("  Volume Label | SCRATCHED"));
  EXPECT_TRUE(damaged.contains("  Creation Time: | 04.07.2024 08:30:00"));
  EXPECT_TRUE(damaged.contains("  Bootable | No"));
  EXPECT_FALSE(damaged.contains("UDF File System"));
  Tabs()->Bar()->setCurrentIndex(1);
  Save(&window, QStringLiteral("tab2-media-damaged.png"));
}

TEST_F(EndToEndTest, SectorViewerShowsTheVolumeDescriptorOfTheHealthyDisc) {
  int tab = 0;
  while (tab < Tabs()->GetItemCount() && Tabs()->ItemText(tab) != "Sector Viewer") ++tab;
  ASSERT_LT(tab, Tabs()->GetItemCount());
  Tabs()->Bar()->setCurrentIndex(tab);
  ASSERT_TRUE(WaitUntil([&] { return window.Page(tab)->isVisible(); }));
  auto* box = Item<QLineEdit>(window.Page(tab), SectorInfoPage::kSectorEditId);
  box->setFocus();
  box->setText("16");
  QTest::keyClick(box, Qt::Key_Return);
  const QString dump =
      Item<QPlainTextEdit>(window.Page(tab), SectorInfoPage::kViewerId)->toPlainText();
  EXPECT_TRUE(dump.startsWith("01 43 44 30 30 31 01 00  ")) << dump.left(68).toStdString();
  Save(&window, QStringLiteral("tab%1-sector-viewer-16.png").arg(tab + 1));
}

TEST_F(EndToEndTest, SavesAScreenshotOfTheAboutBox) {
  auto* link = Item<LinkCtrl>(window.Client(), MainWindow::kAboutLinkId);
  WithModalDialog([&] { QTest::mouseClick(link, Qt::LeftButton, {}, link->LinkRect().center()); },
                  [&](QDialog* about) {
                    EXPECT_EQ(static_cast<AboutDialog*>(about)->Client()->width(), 373);
                    Save(about, QStringLiteral("about.png"));
                  });
}

}  // namespace
