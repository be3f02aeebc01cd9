// A real surface scan from the scan page: the disc engine reads a fixture
// image whose faults file makes some sectors slow to read and others
// unreadable, and the page and the surface map show what the scan found.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QFile>
#include <QFileDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "../support/WaitUntil.h"
#include "core/disc/DeviceContext.h"
#include "core/io/SmallFile.h"
#include "core/rescue/DdrescueMapReader.h"
#include "core/scan/SectorScanner.h"
#include "gui/controls/StaticText.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/controls/SurfaceTiles.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"

namespace {

constexpr int kSectors = 3000;

class ScanPageEngineTest : public ::testing::Test {
 protected:
  // One image of 3000 sectors: 100 to 109 read at the second attempt, 200 to
  // 204 never, and every read takes a drive's time.
  static void SetUpTestSuite() {
    folder = new QTemporaryDir;
    const QString image = folder->filePath(QStringLiteral("scratched.iso"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64{kSectors} * 2048));
    QFile faults(image + QStringLiteral(".faults"));
    ASSERT_TRUE(faults.open(QIODevice::WriteOnly));
    faults.write("# a scratch and a hole\n100-109 1\n200-204 always\nlatency 150\n");
    faults.close();
    qputenv("WRENLO_IMAGES", image.toLocal8Bit());
    wrenlo::Initialize();
  }
  static void TearDownTestSuite() { delete folder; }

  // The page shown on drive D.
  void SetUp() override {
    host.resize(700, 500);
    host.show();
    shownPage = std::make_unique<ScanPage>();
    shownPage->CreatePage(&host);
    shownPage->setGeometry(0, 0, 600, 400);
    shownPage->show();
    shownPage->context = &context;
    shownPage->UpdateContent();
  }

  static QTemporaryDir* folder;
  DeviceContext context{u'D'};
  QWidget host;
  std::unique_ptr<ScanPage> shownPage;
};

QTemporaryDir* ScanPageEngineTest::folder = nullptr;

TEST_F(ScanPageEngineTest, ShowsTheScratchAndTheHole) {
  ASSERT_TRUE(context.hasMedium);
  ScanPage& page = *shownPage;

  auto* button = Item<QPushButton>(page.Client(), ScanPage::kStartStopId);
  button->click();
  ASSERT_TRUE(
      WaitUntil([&] { return !page.Scanner()->IsRunning() && button->text() == "Start"; }, 60000));

  EXPECT_EQ(Item<StaticText>(page.Client(), ScanPage::kStatusId)->Text(),
            "Surface Scan. Sector 2999 from 3000");
  EXPECT_EQ(Item<QProgressBar>(page.Client(), ScanPage::kProgressId)->value(), 100);
  EXPECT_EQ(page.GoodLabel().Text(), "99.5%");
  EXPECT_EQ(page.ProblemLabel().Text(), "0.3%");
  EXPECT_EQ(page.ErrorLabel().Text(), "0.2%");
  auto* log = Item<QTreeWidget>(page.Client(), ScanPage::kLogId);
  ASSERT_EQ(log->topLevelItemCount(), 17);
  EXPECT_EQ(log->topLevelItem(0)->text(1),
            "Surface scan started, start sector = 0, end sector = 2999");
  EXPECT_EQ(log->topLevelItem(1)->text(1), "Sector problem");
  EXPECT_EQ(log->topLevelItem(11)->text(1), "Sector error");
  EXPECT_TRUE(log->topLevelItem(16)->text(1).startsWith(
      "Surface scan finished: 3000 sectors, 2985 good, 10 problem, 5 error, 0 not checked, in "))
      << log->topLevelItem(16)->text(1).toStdString();

  // The map of the finished scan, at one sector per cell from the top.
  WithModalDialog([&] { Item<QPushButton>(page.Client(), ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    SurfaceInfoControl& map = page.DetailsDialog()->GetSurfaceMap();
                    const QImage shown = map.viewport()->grab().toImage();
                    for (const auto& [block, color] : {std::pair{0, kGoodColor},
                                                       {99, kGoodColor},
                                                       {100, kProblemColor},
                                                       {109, kProblemColor},
                                                       {110, kGoodColor},
                                                       {200, kErrorColor},
                                                       {204, kErrorColor},
                                                       {205, kGoodColor}}) {
                      const int slot = map.Geometry().SlotOf(block);
                      ASSERT_GE(slot, 0) << block;
                      const CellRect cell = map.Geometry().Cell(slot);
                      EXPECT_EQ(shown.pixel(cell.left + 4, cell.top + 4), color) << block;
                    }
                  });
}

// "Copy to Image" on the same disc: the save dialog offers the disc's name
// with .iso, the copy shows as the scan did (the scratch copied after its
// first reads failed, the hole not copied), and "Open as Drive" offers the
// copy; a copy stopped part way is resumed after "Resume the copy?".
TEST_F(ScanPageEngineTest, CopiesToAnImageAndResumes) {
  ASSERT_TRUE(context.hasMedium);
  ScanPage& page = *shownPage;
  const QString image = folder->filePath(QStringLiteral("copy.iso"));
  QString offered;
  page.SetSaveFileDialog([&](QFileDialog& dialog) {
    offered = dialog.selectedFiles().value(0);
    return image;
  });
  QStringList questions;
  page.SetQuestionRunner([&](QWidget*, const QString& question) {
    questions << question;
    return true;
  });
  QStringList opened;
  QObject::connect(&page, &ScanPage::openImageRequested,
                   [&](const QString& path) { opened << path; });
  auto* button = Item<QPushButton>(page.Client(), ScanPage::kStartStopId);
  auto* openCopy = Item<QPushButton>(page.Client(), ScanPage::kOpenCopyId);
  Item<QRadioButton>(page.Client(), ScanPage::kCopyToImageId)->click();

  // Started, then stopped once the copy pass has read some sectors.
  button->click();
  ASSERT_TRUE(WaitUntil([&] { return page.Scanner()->progress.current > 50; }, 30000));
  button->click();
  // The run has ended when the copy can be opened.
  ASSERT_TRUE(WaitUntil([&] { return openCopy->isVisible(); }, 30000));
  EXPECT_TRUE(offered.endsWith("/D.iso")) << offered.toStdString();
  EXPECT_TRUE(questions.isEmpty());

  button->click();
  EXPECT_FALSE(openCopy->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return openCopy->isVisible(); }, 60000));
  ASSERT_EQ(questions.size(), 1);
  EXPECT_TRUE(questions[0].startsWith("Resume the copy?"));
  // Five attempts: one read, then four retry passes.
  EXPECT_EQ(Item<StaticText>(page.Client(), ScanPage::kStatusId)->Text().toStdString(),
            "Copy to Image: retrying (pass 4 of 4), sector 204 of 3000");
  EXPECT_EQ(Item<QProgressBar>(page.Client(), ScanPage::kProgressId)->value(), 100);
  EXPECT_EQ(page.GoodLabel().Text(), "99.5%");
  EXPECT_EQ(page.ProblemLabel().Text(), "0.3%");
  EXPECT_EQ(page.ErrorLabel().Text(), "0.2%");
  auto* log = Item<QTreeWidget>(page.Client(), ScanPage::kLogId);
  ASSERT_GE(log->topLevelItemCount(), 2);
  QStringList lines;
  for (int i = 0; i < log->topLevelItemCount(); ++i) lines << log->topLevelItem(i)->text(1);
  EXPECT_TRUE(
      lines.contains("Copy to image started: " + image + ", continued from " + image + ".map"))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(
      lines.last().startsWith("Copy to image finished: 3000 sectors, 2985 copied at the "
                              "first read, 10 copied after retries, 5 not copied"))
      << lines.last().toStdString();

  std::string text, error;
  Mapfile mapfile;
  ASSERT_TRUE(ReadSmallFile((image + ".map").toStdString(), 1 << 20, text, error)) << error;
  ASSERT_TRUE(ParseMapfile(text, mapfile, error)) << error;
  const RescueMap map = SectorMapOf(mapfile, 2048, kSectors);
  EXPECT_EQ(map.Count(BlockStatus::Bad, 0, kSectors), 5u);
  EXPECT_EQ(map.FirstWith(BlockStatus::Bad, 0, kSectors)->first, 200u);

  openCopy->click();
  EXPECT_EQ(opened, QStringList{image});

  // The copy is the drive's kept scan: another drive shown hides it, and
  // coming back offers it again.
  page.context = nullptr;
  page.UpdateContent();
  EXPECT_FALSE(openCopy->isVisible());
  page.context = &context;
  page.UpdateContent();
  EXPECT_TRUE(openCopy->isVisible());
  openCopy->click();
  EXPECT_EQ(opened, (QStringList{image, image}));
}

// Closing the window during a copy (the page goes) stops it after the read
// in progress and leaves a mapfile of what the image holds.
TEST_F(ScanPageEngineTest, ClosingTheWindowLeavesTheMapfile) {
  const QString image = folder->filePath(QStringLiteral("closed.iso"));
  shownPage->SetSaveFileDialog([&](QFileDialog&) { return image; });
  Item<QRadioButton>(shownPage->Client(), ScanPage::kCopyToImageId)->click();
  Item<QPushButton>(shownPage->Client(), ScanPage::kStartStopId)->click();
  ASSERT_TRUE(WaitUntil([&] { return shownPage->Scanner()->progress.current > 50; }, 30000));
  shownPage.reset();

  std::string text, error;
  Mapfile mapfile;
  ASSERT_TRUE(ReadSmallFile((image + ".map").toStdString(), 1 << 20, text, error)) << error;
  ASSERT_TRUE(ParseMapfile(text, mapfile, error)) << error;
  const RescueMap map = SectorMapOf(mapfile, 2048, kSectors);
  EXPECT_GT(map.Count(BlockStatus::Finished, 0, kSectors), 50u);
  EXPECT_GT(map.Count(BlockStatus::NonTried, 0, kSectors), 0u) << "stopped before its end";
}

}  // namespace
