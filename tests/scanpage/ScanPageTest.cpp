// The scan page as the user sees it, on the scriptable engine: its layout in
// pixels, scans started and stopped from its button with the texts, enabled
// states, shares and log rows they leave, the progress of a very large
// session, the options and details dialogs, and a change of drive or the end
// of the program while a scan runs.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <future>
#include <memory>

#include "../widgets/WaitUntil.h"
#include "app/MainWindow.h"
#include "controls/StaticText.h"
#include "controls/SurfaceDetailsDialog.h"
#include "disc/DeviceCombo.h"
#include "disc/DeviceContext.h"
#include "pages/ScanPage.h"
#include "platform/ControlId.h"
#include "platform/TabCtrl.h"
#include "scan/SectorScanner.h"

namespace {

// One CD of `sectors` sectors in one session from sector 0.
void ScriptDisc(std::int32_t sectors) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(sectors, 0, 1);
}

// Holds the worker at the first read of one sector until the test lets go.
class ReadGate {
 public:
  explicit ReadGate(std::int32_t sector) {
    fake::script().onRead = [this, sector](std::int32_t address) {
      if (address != sector || reached.exchange(true)) return;
      open.get_future().wait();
    };
  }
  ~ReadGate() { Open(); }

  // Waits, running the window's events, until the worker is at the gate.
  bool Reached() {
    return WaitUntil([&] { return reached.load(); });
  }
  void Open() {
    if (!opened.exchange(true)) open.set_value();
  }

 private:
  std::atomic<bool> reached{false};
  std::atomic<bool> opened{false};
  std::promise<void> open;
};

class ScanPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    SurfaceDetailsDialog::lastSectorsPerBlock = -1;
    host.resize(700, 500);
    host.show();
    page = std::make_unique<ScanPage>();
    page->CreatePage(&host);
    page->setGeometry(0, 0, 600, 400);
    page->show();
  }

  void TearDown() override {
    page.reset();  // before the context it may be scanning
    context.reset();
  }

  // Builds a context for drive E from the script and hands it to the page.
  void NewContext() {
    context = std::make_unique<DeviceContext>(u'E');
    page->context = context.get();
    page->UpdateContent();
  }

  QString Text(int id) const { return Item<StaticText>(page->Client(), id)->Text(); }
  QPushButton* Button(int id) const { return Item<QPushButton>(page->Client(), id); }
  QRadioButton* Radio(int id) const { return Item<QRadioButton>(page->Client(), id); }
  int Progress() const {
    return Item<QProgressBar>(page->Client(), ScanPage::kProgressId)->value();
  }
  QTreeWidget* Log() const { return Item<QTreeWidget>(page->Client(), ScanPage::kLogId); }
  QStringList Shares() const {
    return {page->GoodLabel().Text(), page->ProblemLabel().Text(), page->ErrorLabel().Text()};
  }
  QStringList LogTexts() const {
    QStringList texts;
    for (int row = 0; row < Log()->topLevelItemCount(); ++row)
      texts << Log()->topLevelItem(row)->text(1);
    return texts;
  }
  // Whether the radio buttons and "Advanced..." can be used.
  bool ChoicesEnabled() const {
    return Radio(ScanPage::kSurfaceScanId)->isEnabled() &&
           Radio(ScanPage::kFilesTestId)->isEnabled() && Button(ScanPage::kAdvancedId)->isEnabled();
  }
  bool ChoicesDisabled() const {
    return !Radio(ScanPage::kSurfaceScanId)->isEnabled() &&
           !Radio(ScanPage::kFilesTestId)->isEnabled() &&
           !Button(ScanPage::kAdvancedId)->isEnabled();
  }

  void PressStartStop() { Button(ScanPage::kStartStopId)->click(); }
  // Waits until the run has ended and its last report has been shown.
  bool Finished() {
    return WaitUntil(
        [&] {
          return !page->Scanner()->IsRunning() && Button(ScanPage::kStartStopId)->text() == "Start";
        },
        20000);
  }

  QWidget host;
  std::unique_ptr<DeviceContext> context;
  std::unique_ptr<ScanPage> page;
};

TEST_F(ScanPageTest, LaysOutTheControlsInPixels) {
  ASSERT_EQ(page->ClientRect(), QRect(0, 0, 600, 400));
  const struct {
    int id;
    QRect rect;
  } placed[] = {
      {ScanPage::kStatusId, QRect(42, 0, 558, 18)},
      {ScanPage::kProgressId, QRect(0, 19, 520, 20)},
      {ScanPage::kDetailsId, QRect(526, 18, 74, 22)},
      {ScanPage::kSpeedId, QRect(82, 44, 140, 18)},
      {ScanPage::kLogId, QRect(0, 100, 600, 225)},
      {ScanPage::kSurfaceScanId, QRect(0, 332, 120, 18)},
      {ScanPage::kFilesTestId, QRect(0, 350, 120, 18)},
      {ScanPage::kSaveId, QRect(520, 332, 80, 23)},
      {ScanPage::kClearId, QRect(434, 332, 80, 23)},
      {ScanPage::kStartStopId, QRect(0, 377, 80, 23)},
      {ScanPage::kAdvancedId, QRect(86, 377, 80, 23)},
  };
  for (const auto& [id, rect] : placed) EXPECT_EQ(Item(page->Client(), id)->geometry(), rect) << id;
  // Captions are as wide as the layout says, or as their text in a wider font.
  const struct {
    int id;
    QRect rect;
  } captions[] = {
      {ScanPage::kStatusLabelId, QRect(0, 0, 36, 18)},
      {ScanPage::kSpeedLabelId, QRect(0, 44, 76, 18)},
      {ScanPage::kErrorLabelId, QRect(540, 54, 60, 17)},
      {ScanPage::kProblemLabelId, QRect(470, 54, 60, 18)},
      {ScanPage::kGoodLabelId, QRect(400, 54, 60, 18)},
      {ScanPage::kLogLabelId, QRect(0, 82, 80, 18)},
  };
  for (const auto& [id, rect] : captions) {
    auto* caption = Item<QLabel>(page->Client(), id);
    const int textWidth = caption->fontMetrics().horizontalAdvance(caption->text());
    EXPECT_EQ(caption->geometry(),
              QRect(rect.topLeft(), QSize(std::max(rect.width(), textWidth), rect.height())))
        << id;
  }
  EXPECT_EQ(page->ErrorLabel().geometry(), QRect(540, 71, 56, 20));
  EXPECT_EQ(page->ProblemLabel().geometry(), QRect(470, 71, 56, 20));
  EXPECT_EQ(page->GoodLabel().geometry(), QRect(400, 71, 56, 20));

  // "Time" is 120 pixels wide, or as wide as a time needs; "Description"
  // has the rest of the width but 10 pixels and a scroll bar.
  page->OnLogEntry(0, TimeValue{1700000000}, u"a row");
  const int timeNeeds = static_cast<QAbstractItemView*>(Log())->sizeHintForColumn(0);
  EXPECT_EQ(Log()->columnWidth(0), std::max(120, timeNeeds));
  EXPECT_EQ(Log()->columnWidth(0) + Log()->columnWidth(1),
            590 - Log()->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  EXPECT_EQ(Log()->headerItem()->text(0), "Time");
  EXPECT_EQ(Log()->headerItem()->text(1), "Description");
  EXPECT_EQ(Log()->selectionBehavior(), QAbstractItemView::SelectRows);

  page->setGeometry(0, 0, 500, 300);  // follows the size
  EXPECT_EQ(Button(ScanPage::kDetailsId)->geometry(), QRect(426, 18, 74, 22));
  EXPECT_EQ(Log()->geometry(), QRect(0, 100, 500, 125));
  EXPECT_EQ(Button(ScanPage::kStartStopId)->geometry(), QRect(0, 277, 80, 23));
}

TEST_F(ScanPageTest, ProgressReportsFillBarSharesStatusAndSpeed) {
  ScriptDisc(10);
  NewContext();
  EXPECT_EQ(Text(ScanPage::kStatusId), "n/a");
  EXPECT_EQ(Text(ScanPage::kSpeedId), "n/a");
  EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));
  EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
  EXPECT_TRUE(Radio(ScanPage::kSurfaceScanId)->isChecked());

  ProgressCtx_t progress;
  progress.total = 1000;
  progress.text = u"Surface Scan.";
  page->OnProgress(progress);  // the first report of a pass
  EXPECT_EQ(Shares(), QStringList({"100.0%", "0.0%", "0.0%"}));
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");

  progress.current = 200;
  progress.problems = 3;
  progress.errors = 1;
  progress.speed = 2048000;
  progress.text = u"Surface Scan. Sector 199 from 1000";
  page->OnProgress(progress);
  EXPECT_EQ(Shares(), QStringList({"98.0%", "1.5%", "0.5%"}));
  EXPECT_EQ(Text(ScanPage::kSpeedId), "13x (2000.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 199 from 1000");
  EXPECT_EQ(Progress(), 20);
  progress.speed = 128000;
  page->OnProgress(progress);
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (125.0 kbps)");

  // A session of 40,000,000 sectors: current x 100 leaves 32 bits early on.
  progress = ProgressCtx_t();
  progress.total = 40000000;
  for (int step = 0; step <= 100; ++step) {
    progress.current = step * 400000;
    page->OnProgress(progress);
    ASSERT_EQ(Progress(), step) << progress.current;
  }

  // A new context resets the display, and only that.
  page->OnLogEntry(0, TimeValue{0}, u"kept");
  NewContext();
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(Text(ScanPage::kStatusId), "n/a");
  EXPECT_EQ(Text(ScanPage::kSpeedId), "n/a");
  EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));
  EXPECT_EQ(LogTexts(), QStringList({"kept"}));
}

// A report runs while the worker waits for it: what it changes is painted
// afterwards, the progress bar too (which would paint itself inside setValue).
TEST_F(ScanPageTest, AProgressReportPaintsNothingWhileTheWorkerWaits) {
  class PaintCounter : public QObject {
   public:
    int paints = 0;

   protected:
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  };
  ScriptDisc(10);
  NewContext();
  ASSERT_TRUE(WaitUntil([&] { return page->isVisible(); }));
  QCoreApplication::processEvents();
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  ProgressCtx_t progress;
  progress.total = 100;
  progress.text = u"Surface Scan. Sector 49 from 100";
  for (int current : {1, 50}) {
    progress.current = current;
    progress.errors = current / 10;
    page->OnProgress(progress);
  }
  EXPECT_EQ(counter.paints, 0);
  EXPECT_EQ(Progress(), 50);
  EXPECT_TRUE(WaitUntil([&] { return counter.paints > 0; }));
  qApp->removeEventFilter(&counter);
}

TEST_F(ScanPageTest, SurfaceScanShowsItsProgressAndLogsProblemsAndErrors) {
  ScriptDisc(200);
  fake::script().readFailures[10] = 1;   // reads at the second attempt: problem
  fake::script().readFailures[20] = -1;  // never reads: error
  NewContext();
  SurfaceDetailsDialog::lastSectorsPerBlock = 10;
  ReadGate gate(100);
  PressStartStop();
  ASSERT_TRUE(gate.Reached());

  // Sector 100 being read: 101 started, one problem and one error so far.
  EXPECT_EQ(Button(ScanPage::kStartStopId)->text(), "Stop");
  EXPECT_TRUE(ChoicesDisabled());
  EXPECT_TRUE(Button(ScanPage::kDetailsId)->isEnabled());
  EXPECT_EQ(SurfaceDetailsDialog::lastSectorsPerBlock, -1);
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 100 from 200");
  EXPECT_EQ(Progress(), 50);
  EXPECT_EQ(Shares(), QStringList({"98.0%", "1.0%", "1.0%"}));
  gate.Open();
  ASSERT_TRUE(Finished());

  EXPECT_TRUE(ChoicesEnabled());
  EXPECT_TRUE(Button(ScanPage::kDetailsId)->isEnabled());  // the map stays reachable
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 199 from 200");
  EXPECT_EQ(Progress(), 100);
  EXPECT_EQ(Shares(), QStringList({"99.0%", "0.5%", "0.5%"}));
  EXPECT_TRUE(QRegularExpression("^\\d+x \\(\\d+\\.\\d kbps\\)$")
                  .match(Text(ScanPage::kSpeedId))
                  .hasMatch())
      << Text(ScanPage::kSpeedId).toStdString();
  EXPECT_EQ(LogTexts(), QStringList({"Surface scan started, start sector = 0, end sector = 199",
                                     "Sector problem", "Sector error"}));
  const QRegularExpression time("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$");
  for (int row = 0; row < Log()->topLevelItemCount(); ++row)
    EXPECT_TRUE(time.match(Log()->topLevelItem(row)->text(0)).hasMatch())
        << Log()->topLevelItem(row)->text(0).toStdString();

  Button(ScanPage::kClearId)->click();
  EXPECT_EQ(Log()->topLevelItemCount(), 0);
}

TEST_F(ScanPageTest, StopEndsTheScanAndTheNextStartRunsTheChosenTest) {
  ScriptDisc(1000);
  fake::script().directories[u""] = {{u"A.TXT", false}, {u"DIR", true}};
  fake::script().directories[u"DIR"] = {{u"B.TXT", false}};
  fake::script().failingFiles = {u"DIR\\B.TXT"};
  NewContext();
  {
    ReadGate gate(50);
    PressStartStop();
    ASSERT_TRUE(gate.Reached());
    PressStartStop();  // Stop: the worker ends after this sector
    EXPECT_EQ(Button(ScanPage::kStartStopId)->text(), "Stop");
    EXPECT_FALSE(page->Scanner()->IsRunning());
    PressStartStop();  // pressed again while stopping: nothing starts
    gate.Open();
    ASSERT_TRUE(Finished());
  }
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 50 from 1000");
  EXPECT_EQ(Progress(), 5);
  EXPECT_EQ(LogTexts().size(), 1);

  // The files test: no speed and no problems, throughout.
  Radio(ScanPage::kFilesTestId)->click();
  std::promise<void> verified;
  std::atomic<bool> verifying{false};
  fake::script().onVerify = [&](const std::u16string&) {
    if (!verifying.exchange(true)) verified.get_future().wait();
  };
  PressStartStop();
  ASSERT_TRUE(WaitUntil([&] { return verifying.load(); }));
  EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "A.TXT");
  EXPECT_EQ(Shares(), QStringList({"100.0%", "0.0%", "0.0%"}));
  verified.set_value();
  ASSERT_TRUE(Finished());
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "DIR\\B.TXT");
  EXPECT_EQ(Shares(), QStringList({"50.0%", "0.0%", "50.0%"}));
  EXPECT_EQ(Progress(), 100);
  EXPECT_EQ(LogTexts().last(), "File error: DIR\\B.TXT");
  EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
}

TEST_F(ScanPageTest, StartWithoutAChoiceSaysSoAndStartsNothing) {
  ScriptDisc(10);
  NewContext();
  for (int id : {ScanPage::kSurfaceScanId, ScanPage::kFilesTestId}) {
    Radio(id)->setAutoExclusive(false);
    Radio(id)->setChecked(false);
  }
  WithModalDialog([&] { PressStartStop(); },
                  [&](QDialog* dialog) {
                    auto* box = qobject_cast<QMessageBox*>(dialog);
                    ASSERT_NE(box, nullptr);
                    EXPECT_EQ(box->text(), "At least one option should be selected.");
                    EXPECT_EQ(box->windowTitle(), "Error");
                    EXPECT_EQ(box->icon(), QMessageBox::Critical);
                    EXPECT_EQ(box->parentWidget(), page->window());
                  });
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(Button(ScanPage::kStartStopId)->text(), "Start");
  EXPECT_TRUE(fake::CallsNamed("ReadSectors").empty());
}

TEST_F(ScanPageTest, OptionsDialogIsEmptyAndChangesNothing) {
  ScriptDisc(10);
  NewContext();
  const auto closeWith = std::vector<std::function<void(QDialog*)>>{
      [](QDialog* d) { Item<QPushButton>(d, 1)->click(); },
      [](QDialog* d) { Item<QPushButton>(d, 2)->click(); },
      [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); },
  };
  for (const auto& close : closeWith) {
    WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                    [&](QDialog* dialog) {
                      EXPECT_EQ(dialog->windowTitle(), "Dialog");
                      EXPECT_EQ(Item<QPushButton>(dialog, 1)->text(), "OK");
                      EXPECT_EQ(Item<QPushButton>(dialog, 2)->text(), "Cancel");
                      close(dialog);
                      EXPECT_FALSE(dialog->isVisible());
                    });
    EXPECT_TRUE(Radio(ScanPage::kSurfaceScanId)->isChecked());
    EXPECT_TRUE(ChoicesEnabled());
    EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
    EXPECT_EQ(Text(ScanPage::kStatusId), "n/a");
    EXPECT_FALSE(page->Scanner()->IsRunning());
  }
}

TEST_F(ScanPageTest, DetailsMapFillsInWhileTheScanRuns) {
  ScriptDisc(300);
  fake::script().readFailures[250] = -1;
  NewContext();
  ReadGate gate(120);
  PressStartStop();
  ASSERT_TRUE(gate.Reached());
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    SurfaceDetailsDialog* details = page->DetailsDialog();
                    ASSERT_NE(details, nullptr);
                    const SurfaceInfoControl& map = details->GetSurfaceMap();
                    EXPECT_EQ(map.Geometry().BlockCount(), 300);
                    EXPECT_EQ(map.GetBlockFlags(119), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(120), 0);
                    gate.Open();
                    ASSERT_TRUE(Finished());
                    EXPECT_EQ(map.GetBlockFlags(299), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(250), kBlockError);
                    EXPECT_EQ(map.CurrentBlock(), 300);  // the last report's count
                  });
  EXPECT_EQ(page->DetailsDialog(), nullptr);
  EXPECT_EQ(SurfaceDetailsDialog::lastSectorsPerBlock, 1);
}

// The main window hands a new context to its pages only after the page has
// stopped the scan of the old one and its worker has ended; closing the
// window ends a scan the same way.
TEST(ScanPageInMainWindow, ChangingTheDriveOrClosingTheWindowEndsTheScan) {
  fake::Reset();
  fake::SetRecording(false);
  fake::script().devices = {u"D: First drive", u"E: Second drive"};
  ScriptDisc(2000000);
  auto window = std::make_unique<MainWindow>();
  window->Create();
  window->show();
  auto* tabs = Item<TabCtrl>(window->Client(), MainWindow::kTabsId);
  tabs->Bar()->setCurrentIndex(2);
  auto* page = static_cast<ScanPage*>(window->Page(2));
  auto* button = Item<QPushButton>(page->Client(), ScanPage::kStartStopId);
  auto* status = Item<StaticText>(page->Client(), ScanPage::kStatusId);
  const DeviceContext* first = window->CurrentContext();

  button->click();
  ASSERT_TRUE(WaitUntil([&] { return status->Text().startsWith("Surface Scan. Sector 1"); }));
  auto* drives = Item<DeviceCombo>(window->Client(), MainWindow::kDeviceComboId);
  drives->setCurrentIndex(1);
  emit drives->activated(1);
  EXPECT_NE(window->CurrentContext(), first);
  EXPECT_EQ(page->context, window->CurrentContext());
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(button->text(), "Start");  // the run's end was shown before the change
  EXPECT_EQ(status->Text(), "n/a");

  button->click();
  ASSERT_TRUE(WaitUntil([&] { return status->Text().startsWith("Surface Scan. Sector 1"); }));
  window.reset();  // pages first, then the context: no hang, no crash
  fake::SetRecording(true);
}

}  // namespace
