// A surface scan of the damaged sample disc in the program's window, with
// screenshots of the scan page and of the surface map during and after the
// scan for a person to look at: scan-during.png, details-during.png,
// details-after.png and scan-after.png; then a scan stopped by choosing the
// drive again in the list and answering Stop, with the page and the map it
// keeps: scan-stopped.png and details-stopped.png.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "../gui/support/WaitUntil.h"
#include "core/report/ScanProgressText.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/controls/StaticText.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/TabCtrl.h"

namespace {

// The faults of damaged.iso: 60 sectors read only after retries, 100 never.
constexpr int kProblemSectors = 60;
constexpr int kErrorSectors = 100;

QString Percent(double share) {
  const std::u16string text = PercentText(share);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

TEST(ScanEndToEnd, ScansTheDamagedDiscAndSavesScreenshots) {
  wrenlo::Initialize();
  const QDir folder(qEnvironmentVariable("LUMETER_SCREENSHOTS", QStringLiteral("screenshots")));
  ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
  MainWindow window;
  window.Create();
  window.resize(760, 640);
  window.show();
  ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }));

  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  ASSERT_EQ(drives->itemText(1), "E: damaged.iso");
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  Item<TabCtrl>(window.Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
  auto* page = static_cast<ScanPage*>(window.Page(2));
  ASSERT_TRUE(WaitUntil([&] { return page->isVisible(); }));

  auto* status = Item<StaticText>(page->Client(), ScanPage::kStatusId);
  auto* button = Item<QPushButton>(page->Client(), ScanPage::kStartStopId);
  const auto sectorReached = [&](int sector) {
    return WaitUntil(
        [&] {
          const QStringList words = status->Text().split(' ');
          return !page->Scanner()->IsRunning() || (words.size() == 6 && words[3].toInt() >= sector);
        },
        60000);
  };
  const auto finished = [&] {
    return WaitUntil([&] { return !page->Scanner()->IsRunning() && button->text() == "Start"; },
                     60000);
  };

  button->click();
  ASSERT_TRUE(sectorReached(8200));  // past the hole
  ASSERT_TRUE(page->Scanner()->IsRunning()) << "the scan ended too soon to be seen running";
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("scan-during.png"))));

  WithModalDialog(
      [&] { Item<QPushButton>(page->Client(), ScanPage::kDetailsId)->click(); },
      [&](QDialog* dialog) {
        auto* sizes = Item<QComboBox>(static_cast<SurfaceDetailsDialog*>(dialog)->Client(),
                                      SurfaceDetailsDialog::kBlockSizeListId);
        sizes->setCurrentIndex(2);  // 10 sectors a cell: the whole disc in view
        emit sizes->activated(2);
        ASSERT_TRUE(sectorReached(9000));
        EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-during.png"))));
        ASSERT_TRUE(finished());
        const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
        EXPECT_EQ(map.GetBlockFlags(200), kBlockProblem);  // sectors 2000 to 2009
        EXPECT_EQ(map.GetBlockFlags(500), kBlockProblem);
        EXPECT_EQ(map.GetBlockFlags(800), kBlockError);
        EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-after.png"))));
      });
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("scan-after.png"))));

  const int total = status->Text().split(' ').value(5).toInt();
  ASSERT_GT(total, 8100);
  EXPECT_EQ(page->ProblemLabel().Text(), Percent(kProblemSectors * 100.0 / total));
  EXPECT_EQ(page->ErrorLabel().Text(), Percent(kErrorSectors * 100.0 / total));
  EXPECT_EQ(Item<QTreeWidget>(page->Client(), ScanPage::kLogId)->topLevelItemCount(),
            1 + kProblemSectors + kErrorSectors);
}

TEST(ScanEndToEnd, AScanStoppedByADriveChoiceStaysOnThePage) {
  wrenlo::Initialize();
  const QDir folder(qEnvironmentVariable("LUMETER_SCREENSHOTS", QStringLiteral("screenshots")));
  ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
  MainWindow window;
  window.Create();
  window.resize(760, 640);
  window.show();
  ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }));
  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  ASSERT_EQ(drives->itemText(1), "E: damaged.iso");
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  Item<TabCtrl>(window.Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
  auto* page = static_cast<ScanPage*>(window.Page(2));
  auto* status = Item<StaticText>(page->Client(), ScanPage::kStatusId);
  const auto sector = [&] { return status->Text().split(' ').value(3).toInt(); };

  Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
  ASSERT_TRUE(WaitUntil([&] { return sector() >= 8200 || !page->Scanner()->IsRunning(); }, 60000));
  ASSERT_TRUE(page->Scanner()->IsRunning()) << "the scan ended too soon to be stopped";
  WithModalDialog([&] { emit drives->activated(1); },
                  [&](QDialog* dialog) {
                    auto* box = qobject_cast<QMessageBox*>(dialog);
                    ASSERT_NE(box, nullptr);
                    EXPECT_EQ(box->text(), "A scan is running. Stop it?");
                    EXPECT_TRUE(box->grab().save(folder.filePath("stop-question.png")));
                    for (QAbstractButton* choice : box->buttons())
                      if (choice->text() == "Stop") choice->click();
                  });
  ASSERT_FALSE(page->Scanner()->IsRunning());
  const int stoppedAt = sector();
  EXPECT_GE(stoppedAt, 8200);
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("scan-stopped.png"))));

  const ScanRecord* record = page->History().Last(u'E');
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->ended);
  EXPECT_EQ(record->Counts().error, kErrorSectors);
  EXPECT_GT(record->Counts().notChecked, 0);

  WithModalDialog(
      [&] { Item<QPushButton>(page->Client(), ScanPage::kDetailsId)->click(); },
      [&](QDialog* dialog) {
        auto* sizes = Item<QComboBox>(static_cast<SurfaceDetailsDialog*>(dialog)->Client(),
                                      SurfaceDetailsDialog::kBlockSizeListId);
        sizes->setCurrentIndex(2);  // 10 sectors a cell
        emit sizes->activated(2);
        const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
        EXPECT_EQ(map.GetBlockFlags(800), kBlockError);
        EXPECT_EQ(map.GetBlockFlags(stoppedAt / 10 + 2), 0);  // never read
        EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-stopped.png"))));
      });
}

}  // namespace
