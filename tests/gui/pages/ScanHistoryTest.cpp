// The scan history in the window, on the scriptable engine: every run is
// kept, "History..." lists the disc's scans with a chart of their problem and
// error sectors over time, an earlier scan's map comes back from its ranges,
// a retry reads what the last kept scan did not find Good after the program
// started again, and a history that cannot be written is one log entry.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "../support/WaitUntil.h"
#include "core/disc/DeviceContext.h"
#include "core/format/SurfaceCells.h"
#include "core/scan/SectorScanner.h"
#include "gui/controls/AdvancedScanOptionsDlg.h"
#include "gui/controls/HistoryChartControl.h"
#include "gui/controls/HistoryDialog.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/ProgramSettings.h"

namespace {

class ScanHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(data.isValid());
    previousData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    fake::Reset();
    ProgramSettings().clear();
    SurfaceDetailsDialog::lastSectorsPerBlock = -1;
    host.resize(700, 500);
    host.show();
    NewPage();
  }
  void TearDown() override {
    page.reset();
    context.reset();
    ProgramSettings().clear();
    qputenv("XDG_DATA_HOME", previousData);
  }

  // A page as a new run of the program makes it, on a context of drive E.
  void NewPage() {
    page.reset();
    page = std::make_unique<ScanPage>();
    page->CreatePage(&host);
    page->setGeometry(0, 0, 600, 400);
    page->show();
    context = std::make_unique<DeviceContext>(u'E');
    page->context = context.get();
    page->UpdateContent();
  }

  QPushButton* Button(int id) const { return Item<QPushButton>(page->Client(), id); }

  // Runs a scan of the chosen kind to its end, its damage index built.
  void Scan(int kind = ScanPage::kSurfaceScanId) {
    Item<QRadioButton>(page->Client(), kind)->click();
    Button(ScanPage::kStartStopId)->click();
    ASSERT_TRUE(WaitUntil(
        [&] {
          return !page->Scanner()->IsRunning() && Button(ScanPage::kStartStopId)->text() == "Start";
        },
        20000));
    page->Scanner()->Wait();
    if (kind == ScanPage::kSurfaceScanId) {
      ASSERT_TRUE(WaitUntil([&] { return page->History().Last(u'E')->damage != nullptr; }));
    }
  }

  QStringList LogTexts() const {
    auto* log = Item<QTreeWidget>(page->Client(), ScanPage::kLogId);
    QStringList texts;
    for (int row = 0; row < log->topLevelItemCount(); ++row)
      texts << log->topLevelItem(row)->text(1);
    return texts;
  }

  QTemporaryDir data;
  QByteArray previousData;
  QWidget host;
  std::unique_ptr<DeviceContext> context;
  std::unique_ptr<ScanPage> page;
};

// The rows of a list, each as its columns' texts joined by " | ".
QStringList Rows(const QTreeWidget* list) {
  QStringList rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    QStringList columns;
    for (int column = 0; column < list->columnCount(); ++column)
      columns << list->topLevelItem(row)->text(column);
    rows << columns.join(" | ");
  }
  return rows;
}

// The highest row of the chart's picture in colour within a band of its
// width (from and to as shares of it); -1 when the colour is not there.
int TopmostIn(const QImage& chart, QRgb colour, double from, double to) {
  for (int y = 0; y < chart.height(); ++y)
    for (int x = static_cast<int>(from * chart.width()); x < to * chart.width(); ++x)
      if (chart.pixel(x, y) == colour) return y;
  return -1;
}

TEST_F(ScanHistoryTest, KeepsEveryRunAndShowsTheDiscsScansChartAndMaps) {
  // 300 sectors: a problem in DOCS\A.TXT (120), errors in the directory DOCS
  // (20) and in DOCS\B.BIN (200 to 202).
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(300, 0, 1);
  fake::script().layout = {
      {wrenlo::kLayoutStructure, u"Directory /DOCS (ISO 9660)", 0, {{20, 1}}},
      {wrenlo::kLayoutFile, u"/DOCS/A.TXT", 100 * 2048, {{100, 50}}},
      {wrenlo::kLayoutFile, u"/DOCS/B.BIN", 100 * 2048, {{150, 100}}},
      {wrenlo::kLayoutFile, u"/README.TXT", 5 * 2048, {{260, 5}}},
  };
  fake::script().readFailures[120] = 1;
  for (const std::int32_t sector : {20, 200, 201, 202}) fake::script().readFailures[sector] = -1;
  NewPage();
  ASSERT_TRUE(Button(ScanPage::kHistoryId)->isEnabled());
  // Never scanned: nothing to list, chart or map.
  WithModalDialog(
      [&] { Button(ScanPage::kHistoryId)->click(); },
      [&](QDialog* opened) {
        auto* dialog = dynamic_cast<HistoryDialog*>(opened);
        ASSERT_NE(dialog, nullptr);
        const QWidget* client = dialog->Client();
        EXPECT_EQ(Item<QTreeWidget>(client, HistoryDialog::kScanListId)->topLevelItemCount(), 0);
        EXPECT_EQ(Item<QLabel>(client, HistoryDialog::kChartLabelId)->text(),
                  "No scan of this disc is kept yet.");
        EXPECT_FALSE(Item<QPushButton>(client, HistoryDialog::kShowMapId)->isEnabled());
      });
  Scan();
  // Worse a year later (the fake's clock is the machine's: the scans' dates
  // are seconds apart, their order is what counts): README.TXT too.
  fake::script().readFailures[262] = -1;
  Scan();
  Scan(ScanPage::kFilesTestId);
  EXPECT_FALSE(LogTexts().join("\n").contains("history")) << LogTexts().join("\n").toStdString();

  bool shown = false;
  WithModalDialog(
      [&] { Button(ScanPage::kHistoryId)->click(); },
      [&](QDialog* opened) {
        auto* dialog = dynamic_cast<HistoryDialog*>(opened);
        ASSERT_NE(dialog, nullptr);
        shown = true;
        const QWidget* client = dialog->Client();
        EXPECT_EQ(Item<QLabel>(client, HistoryDialog::kDiscLabelId)->text(),
                  "(no label), none, 300 sectors");
        auto* list = Item<QTreeWidget>(client, HistoryDialog::kScanListId);
        QStringList rows = Rows(list);
        ASSERT_EQ(rows.size(), 3);
        // The date and the drive (the fake's vendor and model) aside.
        for (QString& row : rows) {
          QStringList columns = row.split(" | ");
          EXPECT_EQ(columns[0].size(), 19) << columns[0].toStdString();
          columns.removeAt(2);
          columns.removeAt(0);
          row = columns.join(" | ");
        }
        EXPECT_EQ(rows, QStringList({"surface scan | 1 | 4 | 2", "surface scan | 1 | 5 | 3",
                                     "files test | \u2013 | \u2013 | 0"}));
        auto* showMap = Item<QPushButton>(client, HistoryDialog::kShowMapId);
        // The latest is chosen: a files test has no map.
        EXPECT_EQ(list->currentItem(), list->topLevelItem(2));
        EXPECT_FALSE(showMap->isEnabled());

        // More errors later: the error line rises to the right.
        const QImage chart =
            Item<HistoryChartControl>(client, HistoryDialog::kChartId)->grab().toImage();
        const int left = TopmostIn(chart, kHistoryErrorColor, 0.0, 0.3);
        const int right = TopmostIn(chart, kHistoryErrorColor, 0.7, 1.0);
        ASSERT_GE(left, 0);
        ASSERT_GE(right, 0);
        EXPECT_LT(right, left);
        EXPECT_GE(TopmostIn(chart, kHistoryProblemColor, 0.0, 1.0), 0);

        list->setCurrentItem(list->topLevelItem(1));
        ASSERT_TRUE(showMap->isEnabled());
        WithModalDialog(
            [&] { showMap->click(); },
            [&](QDialog*) {
              SurfaceDetailsDialog* map = dialog->MapDialog();
              ASSERT_NE(map, nullptr);
              EXPECT_TRUE(map->windowTitle().startsWith("Surface Scan of "));
              const SurfaceInfoControl& cells = map->GetSurfaceMap();
              EXPECT_EQ(cells.Geometry().BlockCount(), 300);
              EXPECT_EQ(cells.GetBlockFlags(0), kBlockGood);
              EXPECT_EQ(cells.GetBlockFlags(20), kBlockError);
              EXPECT_EQ(cells.GetBlockFlags(120), kBlockProblem);
              EXPECT_EQ(cells.GetBlockFlags(262), kBlockError);
              // The files on its sectors, indexed on the disc in the drive.
              auto* damaged =
                  Item<QTreeWidget>(map->Client(), SurfaceDetailsDialog::kDamagedListId);
              ASSERT_TRUE(WaitUntil([&] { return damaged->topLevelItemCount() == 4; }));
              EXPECT_EQ(Rows(damaged),
                        QStringList({"/DOCS/A.TXT | 1 | 0", "/DOCS/B.BIN | 0 | 3",
                                     "/README.TXT | 0 | 1", "Directory /DOCS (ISO 9660) | 0 | 1"}));
            });
      });
  EXPECT_TRUE(shown);
}

TEST_F(ScanHistoryTest, ARetryReadsWhatTheLastKeptScanDidNotFindGoodAfterARestart) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(20, 0, 1);
  fake::script().readFailures[5] = -1;
  NewPage();
  Scan();
  fake::script().readFailures.clear();  // the sector reads now
  // The program again: no scan of its own to retry from.
  NewPage();
  ASSERT_EQ(page->History().Last(u'E'), nullptr);
  WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                  [](QDialog* dialog) {
                    Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->setChecked(true);
                    Item<QPushButton>(dialog, kIdOk)->click();
                  });
  const std::size_t before = fake::CallsNamed("ReadSectors").size();
  Scan();
  const std::vector<std::string> reads = fake::CallsNamed("ReadSectors");
  // The history's look at the descriptors, then sector 5 alone.
  EXPECT_EQ(
      std::vector<std::string>(reads.begin() + static_cast<std::ptrdiff_t>(before), reads.end()),
      (std::vector<std::string>{"ReadSectors(-1, 16, 1, 0, 2048)",
                                "ReadSectors(-1, 5, 1, 0, 2048)"}));
  EXPECT_EQ(page->History().Last(u'E')->Counts().good, 20);
}

// A copy to an image is a rescue, not a scan of the disc's state: it is not
// kept, and a retry after it reads what the last scan did not find Good.
TEST_F(ScanHistoryTest, ACopyToAnImageIsNotKept) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(20, 0, 1);
  fake::script().readFailures[5] = -1;
  NewPage();
  Scan();
  const QString image = data.filePath(QStringLiteral("copy.iso"));
  page->SetSaveFileDialog([&](QFileDialog&) { return image; });
  Scan(ScanPage::kCopyToImageId);
  ASSERT_TRUE(page->History().Last(u'E')->copyToImage);
  WithModalDialog(
      [&] { Button(ScanPage::kHistoryId)->click(); },
      [](QDialog* opened) {
        auto* dialog = dynamic_cast<HistoryDialog*>(opened);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(
            Item<QTreeWidget>(dialog->Client(), HistoryDialog::kScanListId)->topLevelItemCount(),
            1);
      });

  fake::script().readFailures.clear();
  WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                  [](QDialog* dialog) {
                    Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->setChecked(true);
                    Item<QPushButton>(dialog, kIdOk)->click();
                  });
  const std::size_t before = fake::CallsNamed("ReadSectors").size();
  Scan(ScanPage::kSurfaceScanId);
  const std::vector<std::string> reads = fake::CallsNamed("ReadSectors");
  EXPECT_EQ(
      std::vector<std::string>(reads.begin() + static_cast<std::ptrdiff_t>(before), reads.end()),
      (std::vector<std::string>{"ReadSectors(-1, 16, 1, 0, 2048)",
                                "ReadSectors(-1, 5, 1, 0, 2048)"}));
}

TEST_F(ScanHistoryTest, AHistoryThatCannotBeWrittenIsOneLogEntry) {
  // The data folder is a file: no history can be made there.
  QFile blocker(data.filePath("not a folder"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(50, 0, 1);
  fake::script().readFailures[7] = -1;
  NewPage();
  Scan();
  const QStringList log = LogTexts();
  ASSERT_GE(log.size(), 2);
  EXPECT_TRUE(log[log.size() - 2].startsWith(
      "Surface scan finished: 50 sectors, 49 good, 0 problem, 1 error"))
      << log.join("\n").toStdString();
  EXPECT_TRUE(log.last().startsWith("The scan's history was not kept: "));
  EXPECT_TRUE(log.last().endsWith("Not a directory")) << log.last().toStdString();
  EXPECT_EQ(page->ErrorLabel().Text(), "2.0%");

  QString said;
  WithModalDialog([&] { Button(ScanPage::kHistoryId)->click(); },
                  [&](QDialog* box) { said = qobject_cast<QMessageBox*>(box)->text(); });
  EXPECT_TRUE(said.startsWith("The disc's scan history cannot be shown.\n")) << said.toStdString();
}

}  // namespace
