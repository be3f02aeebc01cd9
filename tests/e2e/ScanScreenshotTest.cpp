// Surface scans of the damaged sample disc in the program's window, with
// screenshots of the scan page and of the surface map for a person to look
// at: during and after a whole scan (scan-during.png, details-during.png,
// details-after.png, scan-after.png); after a scan that stopped because the
// disc was ejected (scan-ejected.png, details-ejected.png); and after a scan
// stopped by choosing the drive again in the list and answering Stop, with
// the page and the map it keeps (scan-stopped.png, details-stopped.png).
// After the whole scan, the details dialog with its list of damaged files and
// the tooltip of a damaged cell (details-damaged.png), the disc's scan
// history with the map of its kept scan (history.png, history-map.png), and a
// copy of the disc to an image (copy-after.png, copy-details.png). Its files
// extracted with General > Extract Files... (extract-progress.png,
// extract-result.png), and its damaged files with the details' "Extract...".
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <mutex>

#include "../gui/support/WaitUntil.h"
#include "core/report/ScanProgressText.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/controls/HistoryDialog.h"
#include "gui/controls/StaticText.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/extract/ExtractProgressDialog.h"
#include "gui/extract/ExtractResultDialog.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/Menu.h"
#include "gui/platform/TabCtrl.h"

namespace {

// The faults of damaged.iso: 60 sectors read only after retries, 100 never.
constexpr int kProblemSectors = 60;
constexpr int kErrorSectors = 100;

// The dialog as the user sees it with a tooltip shown over it: the tooltip is
// a window of its own, painted onto the dialog's picture where it stands.
QImage WithToolTip(QWidget* dialog) {
  QImage shot = dialog->grab().toImage();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible() || !top->inherits("QTipLabel")) continue;
    QPainter painter(&shot);
    painter.drawImage(top->pos() - dialog->mapToGlobal(QPoint(0, 0)), top->grab().toImage());
  }
  return shot;
}

QString Percent(std::int64_t count, std::int64_t whole) {
  const std::u16string text = ShareText(count, whole);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The main window on the damaged disc's drive, with the Scan tab shown.
class ScanEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    wrenlo::Initialize();
    ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
    window.Create();
    window.resize(760, 640);
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }));
    auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
    ASSERT_EQ(drives->itemText(1), "E: damaged.iso");
    drives->setCurrentIndex(1);
    emit drives->activated(1);
    Item<TabCtrl>(window.Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
    page = static_cast<ScanPage*>(window.Page(2));
    ASSERT_TRUE(WaitUntil([&] { return page->isVisible(); }));
  }

  // Runs inside with the details dialog open at 10 sectors a cell, which
  // shows the whole disc.
  void WithDetails(const std::function<void(QDialog*)>& inside) {
    WithModalDialog([&] { Item<QPushButton>(page->Client(), ScanPage::kDetailsId)->click(); },
                    [&](QDialog* dialog) {
                      auto* sizes =
                          Item<QComboBox>(static_cast<SurfaceDetailsDialog*>(dialog)->Client(),
                                          SurfaceDetailsDialog::kBlockSizeListId);
                      sizes->setCurrentIndex(2);
                      emit sizes->activated(2);
                      inside(dialog);
                    });
  }

  // Runs an extraction that action starts into a fresh folder named name,
  // with inProgress and inResult run inside its progress and result dialogs;
  // the folder.
  QString Extract(const QString& name, const std::function<void()>& action,
                  const std::function<void(ExtractProgressDialog*)>& inProgress,
                  const std::function<void(ExtractResultDialog*)>& inResult) {
    QDir target(folder.filePath(name));
    target.removeRecursively();
    EXPECT_TRUE(target.mkpath(QStringLiteral(".")));
    window.SetFolderDialog([&](QFileDialog&) { return target.path(); });
    page->SetFolderDialog([&](QFileDialog&) { return target.path(); });
    QList<QPointer<QWidget>> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || !modal->isVisible() || seen.contains(modal)) return;
      if (auto* progress = qobject_cast<ExtractProgressDialog*>(modal)) {
        seen << modal;
        inProgress(progress);
      }
      if (auto* result = qobject_cast<ExtractResultDialog*>(modal)) {
        seen << modal;
        inResult(result);
        result->EndDialog(kIdOk);
      }
    });
    watch.start(1);
    action();
    EXPECT_EQ(seen.size(), 2) << "a progress and a result dialog";
    return target.path();
  }

  const QDir folder{qEnvironmentVariable("LUMETER_SCREENSHOTS", QStringLiteral("screenshots"))};
  MainWindow window;
  ScanPage* page = nullptr;
};

TEST_F(ScanEndToEnd, ScansTheDamagedDiscAndSavesScreenshots) {
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

  WithDetails([&](QDialog* dialog) {
    ASSERT_TRUE(sectorReached(9000));
    EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-during.png"))));
    ASSERT_TRUE(finished());
    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
    EXPECT_EQ(map.GetBlockFlags(200), kBlockProblem);  // sectors 2000 to 2009
    EXPECT_EQ(map.GetBlockFlags(500), kBlockProblem);
    EXPECT_EQ(map.GetBlockFlags(800), kBlockError);
    EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-after.png"))));

    // The damaged files: the clips the scratches and the hole lie in.
    auto* details = static_cast<SurfaceDetailsDialog*>(dialog);
    auto* list = Item<QTreeWidget>(details->Client(), SurfaceDetailsDialog::kDamagedListId);
    ASSERT_TRUE(WaitUntil([&] { return list->topLevelItemCount() > 0; }));
    int problems = 0, errors = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      const QTreeWidgetItem* item = list->topLevelItem(row);
      EXPECT_TRUE(item->text(0).startsWith("/VIDEO/CLIP")) << item->text(0).toStdString();
      problems += item->text(1).toInt();
      errors += item->text(2).toInt();
    }
    EXPECT_EQ(problems, kProblemSectors);
    EXPECT_EQ(errors, kErrorSectors);
    list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
    EXPECT_EQ(map.SelectedBlock(), 800);  // the hole's first cell

    // Sectors 2000 to 2009 back in view: the map above the speed curve has
    // fewer rows than the disc's cells.
    page->DetailsDialog()->GetSurfaceMap().SelectSector(2000);
    const CellRect cell = map.Geometry().Cell(map.Geometry().SlotOf(200));
    const QPoint point(cell.left + 4, cell.top + 4);
    QHelpEvent help(QEvent::ToolTip, point, map.viewport()->mapToGlobal(point));
    QApplication::sendEvent(map.viewport(), &help);
    ASSERT_TRUE(WaitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(QToolTip::text().startsWith("Sectors 2000 to 2009\nGood: 0, problem: 10"))
        << QToolTip::text().toStdString();
    EXPECT_TRUE(QToolTip::text().contains("/VIDEO/CLIP")) << QToolTip::text().toStdString();
    EXPECT_TRUE(WithToolTip(dialog).save(folder.filePath(QStringLiteral("details-damaged.png"))));
    QToolTip::hideText();

    // Extract... with every damaged file selected: those with error
    // sectors come out incomplete, the hole's sectors named; the problem
    // sectors read again.
    list->selectAll();
    Extract(
        QStringLiteral("extract-chosen"),
        [&] { Item<QPushButton>(details->Client(), SurfaceDetailsDialog::kExtractId)->click(); },
        [](ExtractProgressDialog*) {},
        [&](ExtractResultDialog* result) {
          const QString text =
              Item<QPlainTextEdit>(result->Client(), ExtractResultDialog::kDetailsId)
                  ->toPlainText();
          EXPECT_TRUE(text.startsWith(
              QStringLiteral("%1 files in 1 folder,").arg(list->topLevelItemCount())))
              << text.toStdString();
          int withErrors = 0;
          for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            if (item->text(2).toInt() == 0) continue;
            ++withErrors;
            EXPECT_TRUE(text.contains("incomplete: " + item->text(0) + " (")) << text.toStdString();
          }
          EXPECT_EQ(text.count(QStringLiteral("incomplete: ")), withErrors);
          EXPECT_TRUE(text.contains(QStringLiteral("; sectors 8000-8099)"))) << text.toStdString();
        });
  });
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("scan-after.png"))));

  const int total = status->Text().split(' ').value(5).toInt();
  ASSERT_GT(total, 8100);
  EXPECT_EQ(page->ProblemLabel().Text(), Percent(kProblemSectors, total));
  EXPECT_EQ(page->ErrorLabel().Text(), Percent(kErrorSectors, total));
  // The start line, one entry per bad sector and the end of the pass.
  EXPECT_EQ(Item<QTreeWidget>(page->Client(), ScanPage::kLogId)->topLevelItemCount(),
            1 + kProblemSectors + kErrorSectors + 1);

  // The report of this scan, as General > Save Report saves it; the browser
  // test (report_in_browser) shows it as report-window.png.
  const QString report = folder.filePath(QStringLiteral("report-window.html"));
  QFile::remove(report);
  window.SetSaveFileDialog([&](QFileDialog&) { return report; });
  window.Menu()->Command(MainWindow::kSaveReport)->trigger();
  QFile saved(report);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray html = saved.readAll();
  EXPECT_TRUE(html.contains("<th scope=\"row\">Error sectors</th><td>8000&ndash;8099</td>"));
  EXPECT_TRUE(html.contains("(" + page->ProblemLabel().Text().toUtf8() + ")"));
  EXPECT_TRUE(html.contains("<h2>History</h2>"));

  // The disc's kept scans, this one last, and its map drawn from what was
  // kept of it (history.png, history-map.png).
  WithModalDialog(
      [&] { Item<QPushButton>(page->Client(), ScanPage::kHistoryId)->click(); },
      [&](QDialog* opened) {
        auto* history = static_cast<HistoryDialog*>(opened);
        auto* list = Item<QTreeWidget>(history->Client(), HistoryDialog::kScanListId);
        ASSERT_GE(list->topLevelItemCount(), 1);
        const QTreeWidgetItem* last = list->topLevelItem(list->topLevelItemCount() - 1);
        EXPECT_EQ(last->text(1), "surface scan");
        EXPECT_EQ(last->text(3), QString::number(kProblemSectors));
        EXPECT_EQ(last->text(4), QString::number(kErrorSectors));
        EXPECT_TRUE(opened->grab().save(folder.filePath(QStringLiteral("history.png"))));
        WithModalDialog(
            [&] { Item<QPushButton>(history->Client(), HistoryDialog::kShowMapId)->click(); },
            [&](QDialog* map) {
              auto* details = static_cast<SurfaceDetailsDialog*>(map);
              auto* sizes =
                  Item<QComboBox>(details->Client(), SurfaceDetailsDialog::kBlockSizeListId);
              sizes->setCurrentIndex(2);
              emit sizes->activated(2);
              EXPECT_EQ(details->GetSurfaceMap().GetBlockFlags(800), kBlockError);
              auto* damaged =
                  Item<QTreeWidget>(details->Client(), SurfaceDetailsDialog::kDamagedListId);
              ASSERT_TRUE(WaitUntil([&] { return damaged->topLevelItemCount() > 0; }));
              EXPECT_TRUE(map->grab().save(folder.filePath(QStringLiteral("history-map.png"))));
            });
      });
}

// Ejects a drive as a user would who watches the status line pass a sector:
// the worker, a few reads ahead of what the page shows, finds the medium gone
// at its next read, and the reports of what it read before are all shown.
class EjectPastSector {
 public:
  EjectPastSector(ScanPage* page, int sector, std::int32_t drive)
      : status(Item<StaticText>(page->Client(), ScanPage::kStatusId)) {
    QObject::connect(&watch, &QTimer::timeout, [this, sector, drive] {
      if (!ejected && status->Text().split(' ').value(3).toInt() >= sector)
        ejected = wrenlo::EjectDevice(drive) == 0;
    });
    watch.start(1);
  }
  bool ejected = false;

 private:
  StaticText* status;
  QTimer watch;
};

TEST_F(ScanEndToEnd, AScanStoppedByAnEjectKeepsWhatItRead) {
  auto* button = Item<QPushButton>(page->Client(), ScanPage::kStartStopId);
  auto* log = Item<QTreeWidget>(page->Client(), ScanPage::kLogId);

  // Past the scratches and the hole, before the end.
  EjectPastSector eject(page, 9000, u'E');
  button->click();
  ASSERT_TRUE(
      WaitUntil([&] { return !page->Scanner()->IsRunning() && button->text() == "Start"; }, 60000));
  ASSERT_TRUE(eject.ejected);
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("scan-ejected.png"))));

  // One entry says where the medium went; nothing after it was tried.
  QStringList removed;
  for (int row = 0; row < log->topLevelItemCount(); ++row)
    if (log->topLevelItem(row)->text(1).startsWith("Medium removed"))
      removed << log->topLevelItem(row)->text(1);
  ASSERT_EQ(removed.size(), 1) << removed.join('|').toStdString();
  const int at = removed[0].split(' ').value(4).toInt();
  EXPECT_GE(at, 9000);
  EXPECT_EQ(log->topLevelItemCount(), 1 + kProblemSectors + kErrorSectors + 2);
  EXPECT_TRUE(log->topLevelItem(log->topLevelItemCount() - 1)
                  ->text(1)
                  .startsWith(QStringLiteral("Surface scan stopped at sector %1: ").arg(at)));
  {
    const SectorScanner& scanner = *page->Scanner();
    std::lock_guard lock(scanner.stateLock);
    const std::vector<std::uint8_t>& sectors = scanner.surfaceState.sectors;
    ASSERT_GT(sectors.size(), static_cast<std::size_t>(at));
    EXPECT_EQ(sectors[at - 1], static_cast<std::uint8_t>(SectorState::Good));
    EXPECT_EQ(std::count(sectors.begin() + at, sectors.end(), 0),
              static_cast<std::ptrdiff_t>(sectors.size()) - at);
  }

  WithDetails([&](QDialog* dialog) {
    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
    EXPECT_EQ(map.GetBlockFlags(800), kBlockError);
    EXPECT_EQ(map.GetBlockFlags(at / 10 + 1), 0);
    EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("details-ejected.png"))));
  });
  EXPECT_EQ(wrenlo::CloseDevice(u'E'), 0);
}

TEST_F(ScanEndToEnd, AScanStoppedByADriveChoiceStaysOnThePage) {
  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
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

namespace {

// Copy to Image of the damaged sample disc: the scratches rescued by the
// later passes, the hole left; the details list the files the copy still
// lacks (copy-after.png, copy-details.png), and "Open as Drive" adds the
// copy to the drive list as a partial copy.
TEST_F(ScanEndToEnd, CopiesTheDamagedDiscToAnImage) {
  const QString image = folder.filePath(QStringLiteral("damaged-copy.iso"));
  QFile::remove(image);
  QFile::remove(image + QStringLiteral(".map"));
  page->SetSaveFileDialog([&](QFileDialog&) { return image; });
  auto* openCopy = Item<QPushButton>(page->Client(), ScanPage::kOpenCopyId);
  Item<QRadioButton>(page->Client(), ScanPage::kCopyToImageId)->click();
  Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
  ASSERT_TRUE(WaitUntil([&] { return openCopy->isVisible(); }, 120000));
  EXPECT_TRUE(window.grab().save(folder.filePath(QStringLiteral("copy-after.png"))));
  EXPECT_EQ(page->ProblemLabel().Text().isEmpty(), false);
  {
    const SectorScanner& scanner = *page->Scanner();
    std::lock_guard lock(scanner.stateLock);
    const std::vector<std::uint8_t>& sectors = scanner.surfaceState.sectors;
    EXPECT_EQ(std::count(sectors.begin(), sectors.end(), 3), kErrorSectors);
    EXPECT_EQ(std::count(sectors.begin(), sectors.end(), 0), 0);
  }

  WithDetails([&](QDialog* dialog) {
    auto* details = static_cast<SurfaceDetailsDialog*>(dialog);
    auto* list = Item<QTreeWidget>(details->Client(), SurfaceDetailsDialog::kDamagedListId);
    ASSERT_TRUE(WaitUntil([&] { return list->topLevelItemCount() > 0; }, 10000));
    int missing = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      const QTreeWidgetItem* item = list->topLevelItem(row);
      EXPECT_TRUE(item->text(0).startsWith("/VIDEO/CLIP")) << item->text(0).toStdString();
      EXPECT_EQ(item->text(1).toInt(), 0) << "a copy's sectors are copied or missing";
      missing += item->text(2).toInt();
    }
    EXPECT_EQ(missing, kErrorSectors);
    EXPECT_TRUE(dialog->grab().save(folder.filePath(QStringLiteral("copy-details.png"))));
  });

  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  const int before = drives->count();
  openCopy->click();
  ASSERT_TRUE(WaitUntil([&] { return drives->count() == before + 1; }));
  // A partial copy, whose missing sectors are the disc's error sectors.
  EXPECT_TRUE(drives->currentText().endsWith(
      QStringLiteral("damaged-copy.iso (partial copy, %1 missing)").arg(kErrorSectors)))
      << drives->currentText().toStdString();
}

}  // namespace

namespace {

// General > Extract Files... of the whole damaged disc: the progress dialog
// while it reads, and the result that lists what the hole cost.
TEST_F(ScanEndToEnd, ExtractsTheDamagedDiscsFiles) {
  const QString out = Extract(
      QStringLiteral("extract-all"),
      [&] { window.Menu()->Command(MainWindow::kExtractFiles)->trigger(); },
      [&](ExtractProgressDialog* progress) {
        auto* counts = Item<QLabel>(progress->Client(), ExtractProgressDialog::kCountsId);
        auto* current = Item<QLabel>(progress->Client(), ExtractProgressDialog::kCurrentId);
        ASSERT_TRUE(WaitUntil(
            [&] {
              return counts->text().section(' ', 0, 0).toInt() >= 2 || !progress->isVisible();
            },
            60000));
        EXPECT_TRUE(current->text().startsWith("Reading /VIDEO/CLIP"))
            << current->text().toStdString();
        EXPECT_TRUE(progress->grab().save(folder.filePath(QStringLiteral("extract-progress.png"))));
      },
      [&](ExtractResultDialog* result) {
        const QString heading =
            Item<QLabel>(result->Client(), ExtractResultDialog::kHeadingId)->text();
        EXPECT_TRUE(heading.startsWith("The extraction is not complete.")) << heading.toStdString();
        EXPECT_TRUE(result->grab().save(folder.filePath(QStringLiteral("extract-result.png"))));
      });
  EXPECT_TRUE(QFile::exists(out + QStringLiteral("/README.TXT")));
  EXPECT_TRUE(QFile::exists(out + QStringLiteral("/extract-report.json")));
}

}  // namespace
