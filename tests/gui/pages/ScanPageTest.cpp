// The scan page as the user sees it, on the scriptable engine: its layout in
// pixels, scans started and stopped from its button with the texts, enabled
// states, shares, tooltips and log rows they leave, a medium taken out during
// a scan, scans that check nothing, the progress of a very large session,
// the options and details dialogs, and a change of drive or the end of the
// program while a scan runs.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "../support/WaitUntil.h"
#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/AdvancedScanOptionsDlg.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/controls/ScanOptionsSettings.h"
#include "gui/controls/SpeedCurveImage.h"
#include "gui/controls/StaticText.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/Menu.h"
#include "gui/platform/ProgramSettings.h"
#include "gui/platform/TabCtrl.h"
#include "gui/platform/ToolBarCtrl.h"

namespace {

// One CD of `sectors` sectors in one session from sector 0.
void ScriptDisc(std::int32_t sectors) {
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(sectors, 0, 1);
}

// A disc of 300 sectors whose file system lies as the layout says, with a
// problem sector in /DOCS/A.TXT (120), error sectors in /DOCS/B.BIN (200 to
// 202) and one in the directory /DOCS (20).
void ScriptDamagedFiles() {
  ScriptDisc(300);
  fake::script().layout = {
      {wrenlo::kLayoutStructure, u"Primary volume descriptor", 0, {{16, 1}}},
      {wrenlo::kLayoutStructure, u"Directory /DOCS (ISO 9660)", 0, {{20, 1}}},
      {wrenlo::kLayoutFile, u"/DOCS/A.TXT", 100 * 2048, {{100, 50}}},
      {wrenlo::kLayoutFile, u"/DOCS/B.BIN", 100 * 2048, {{150, 100}}},
      {wrenlo::kLayoutFile, u"/README.TXT", 5 * 2048, {{260, 5}}},
  };
  fake::script().readFailures[120] = 1;
  for (const std::int32_t sector : {20, 200, 201, 202}) fake::script().readFailures[sector] = -1;
}

// The rows of the details dialog's damaged list: name, problem and error
// sectors.
QStringList DamagedRows(const SurfaceDetailsDialog& dialog) {
  auto* list = Item<QTreeWidget>(dialog.Client(), SurfaceDetailsDialog::kDamagedListId);
  QStringList rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    rows << item->text(0) + " " + item->text(1) + " " + item->text(2);
  }
  return rows;
}

QString DamagedCaption(const SurfaceDetailsDialog& dialog) {
  return Item<QLabel>(dialog.Client(), SurfaceDetailsDialog::kDamagedLabelId)->text();
}

// Holds the worker at the first read of one sector until the test lets go.
class ReadGate {
 public:
  explicit ReadGate(std::int32_t gateSector) : sector(gateSector) {
    fake::script().onRead = [this](std::int32_t address) {
      if (address != sector || reached.exchange(true)) return;
      // Bounded, so that a window that waits for the held worker fails its
      // test instead of hanging it.
      open.get_future().wait_for(std::chrono::seconds(30));
    };
  }
  ~ReadGate() { Open(); }

  // Waits, running the window's events, until the worker is held at the gate
  // and page shows the sector being read (the reports before it run in
  // batches, shortly after they were made).
  bool Reached(ScanPage* page) {
    const QString shown = QStringLiteral("Surface Scan. Sector %1 from ").arg(sector);
    const auto* status = Item<StaticText>(page->Client(), ScanPage::kStatusId);
    return WaitUntil([&] { return reached.load() && status->Text().startsWith(shown); });
  }
  void Open() {
    if (!opened.exchange(true)) open.set_value();
  }

 private:
  const std::int32_t sector;
  std::atomic<bool> reached{false};
  std::atomic<bool> opened{false};
  std::promise<void> open;
};

// Runs act, which shows message boxes one after the other, and presses in each
// the button that reads the next of answers (inside runs first, with the box);
// the boxes' texts.
QStringList AnswerBoxes(const std::function<void()>& act, const QStringList& answers,
                        const std::function<void(QMessageBox*)>& inside = {}) {
  QStringList texts;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    texts << box->text();
    if (texts.size() > answers.size()) return box->done(-1);  // one too many
    if (inside) inside(box);
    for (QAbstractButton* button : box->buttons())
      if (button->text() == answers[texts.size() - 1]) return button->click();
    ADD_FAILURE() << "no button " << answers[texts.size() - 1].toStdString();
    box->done(-1);
  });
  poll.start();
  act();
  poll.stop();
  return texts;
}

// Presses the button of a message box that reads text.
void ClickButton(QDialog* dialog, const QString& text) {
  auto* box = qobject_cast<QMessageBox*>(dialog);
  ASSERT_NE(box, nullptr);
  for (QAbstractButton* button : box->buttons())
    if (button->text() == text) return button->click();
  ADD_FAILURE() << "no button " << text.toStdString();
}

class ScanPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    SurfaceDetailsDialog::lastSectorsPerBlock = -1;
    ProgramSettings().clear();  // the options another test chose
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
  // A progress report as the scanner makes it, and the frame that shows it.
  void Report(const ProgressCtx_t& progress) {
    page->OnProgress(progress);
    ASSERT_TRUE(WaitUntil([&] { return page->ReportsShown(); }));
  }
  // The log's texts; the time a pass took reads "H:MM:SS".
  QStringList LogTexts() const {
    static const QRegularExpression elapsed(", in \\d+:\\d\\d:\\d\\d$");
    QStringList texts;
    for (int row = 0; row < Log()->topLevelItemCount(); ++row)
      texts << Log()->topLevelItem(row)->text(1).replace(elapsed, ", in H:MM:SS");
    return texts;
  }
  // What each indicator's tooltip says when the pointer rests on it.
  QStringList ToolTips() const {
    QStringList texts;
    for (const IndicatorLabel* label :
         {&page->GoodLabel(), &page->ProblemLabel(), &page->ErrorLabel()}) {
      QHelpEvent help(QEvent::ToolTip, QPoint(4, 4), label->mapToGlobal(QPoint(4, 4)));
      QApplication::sendEvent(const_cast<IndicatorLabel*>(label), &help);
      texts << QToolTip::text();
      QToolTip::hideText();
    }
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
  // Waits until the run has ended and its last report has been shown. The
  // button reads "Start" from the end of the last pass on; the run's own last
  // report follows it, and the worker ends after that.
  bool Finished() {
    const bool ended = WaitUntil(
        [&] {
          return !page->Scanner()->IsRunning() && Button(ScanPage::kStartStopId)->text() == "Start";
        },
        20000);
    if (ended) page->Scanner()->Wait();
    return ended;
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
      {ScanPage::kLogId, QRect(0, 100, 600, 207)},
      {ScanPage::kSurfaceScanId, QRect(0, 314, 120, 18)},
      {ScanPage::kFilesTestId, QRect(0, 332, 120, 18)},
      {ScanPage::kCopyToImageId, QRect(0, 350, 120, 18)},
      {ScanPage::kSaveId, QRect(520, 314, 80, 23)},
      {ScanPage::kClearId, QRect(434, 314, 80, 23)},
      {ScanPage::kStartStopId, QRect(0, 377, 80, 23)},
      {ScanPage::kAdvancedId, QRect(86, 377, 80, 23)},
      {ScanPage::kHistoryId, QRect(172, 377, 80, 23)},
  };
  for (const auto& [id, rect] : placed) EXPECT_EQ(Item(page->Client(), id)->geometry(), rect) << id;
  // "Open as Drive" at the bottom right, as wide as its text or 100 pixels;
  // hidden until a copy has ended.
  auto* openCopy = Item<QPushButton>(page->Client(), ScanPage::kOpenCopyId);
  EXPECT_EQ(openCopy->geometry().bottomRight(), QPoint(599, 399));
  EXPECT_EQ(openCopy->width(), std::max(100, openCopy->sizeHint().width()));
  EXPECT_FALSE(openCopy->isVisible());
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
  // The speed starts at 82 pixels, and at least a space after the caption's
  // text.
  auto* speedCaption = Item<QLabel>(page->Client(), ScanPage::kSpeedLabelId);
  const QRect speed = Item(page->Client(), ScanPage::kSpeedId)->geometry();
  const QFontMetrics captionFont = speedCaption->fontMetrics();
  EXPECT_GE(speed.left(), 82);
  EXPECT_GE(speed.left(), captionFont.horizontalAdvance(speedCaption->text()) +
                              captionFont.horizontalAdvance(u' '));
  EXPECT_EQ(speed.size(), QSize(140, 18));
  EXPECT_EQ(speed.top(), 44);
  EXPECT_EQ(page->ErrorLabel().geometry(), QRect(540, 71, 56, 20));
  EXPECT_EQ(page->ProblemLabel().geometry(), QRect(470, 71, 56, 20));
  EXPECT_EQ(page->GoodLabel().geometry(), QRect(400, 71, 56, 20));

  // "Time" is 120 pixels wide, or as wide as a time needs; "Sector" as wide
  // as a sector of a BD needs; "Description" has the rest of the width but
  // 10 pixels and a scroll bar.
  page->OnLogEntry(0, TimeValue{1700000000}, u"a row", kNoSector);
  page->OnLogEntry(2, TimeValue{1700000000}, u"Sector error", 24438783);
  const int timeNeeds = static_cast<QAbstractItemView*>(Log())->sizeHintForColumn(0);
  const int sectorNeeds = static_cast<QAbstractItemView*>(Log())->sizeHintForColumn(2);
  EXPECT_EQ(Log()->columnWidth(0), std::max(120, timeNeeds));
  EXPECT_GE(Log()->columnWidth(2), sectorNeeds);
  EXPECT_EQ(Log()->columnWidth(0) + Log()->columnWidth(1) + Log()->columnWidth(2),
            590 - Log()->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  EXPECT_EQ(Log()->headerItem()->text(0), "Time");
  EXPECT_EQ(Log()->headerItem()->text(1), "Description");
  EXPECT_EQ(Log()->headerItem()->text(2), "Sector");
  EXPECT_EQ(Log()->topLevelItem(1)->text(2), "24438783");
  EXPECT_EQ(Log()->selectionBehavior(), QAbstractItemView::SelectRows);

  page->setGeometry(0, 0, 500, 300);  // follows the size
  EXPECT_EQ(Button(ScanPage::kDetailsId)->geometry(), QRect(426, 18, 74, 22));
  EXPECT_EQ(Log()->geometry(), QRect(0, 100, 500, 107));
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
  Report(progress);  // the first report of a pass: nothing checked yet
  EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");

  progress.current = 200;
  progress.problems = 3;
  progress.errors = 1;
  // The speed shown is the rate of the last half second, not the one-sector
  // figure of a millisecond tick.
  progress.speed = 2048000;
  progress.recentSpeed = 5734400;
  progress.text = u"Surface Scan. Sector 199 from 1000";
  Report(progress);
  EXPECT_EQ(Shares(), QStringList({"98.0%", "1.5%", "0.5%"}));
  EXPECT_EQ(Text(ScanPage::kSpeedId), "37x (5600.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 199 from 1000");
  EXPECT_EQ(Progress(), 20);
  progress.recentSpeed = 128000;
  Report(progress);
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
  page->OnLogEntry(0, TimeValue{0}, u"kept", kNoSector);
  NewContext();
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(Text(ScanPage::kStatusId), "n/a");
  EXPECT_EQ(Text(ScanPage::kSpeedId), "n/a");
  EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));
  EXPECT_EQ(LogTexts(), QStringList({"kept"}));

  // On a DVD, "x" is a DVD's 1,385,000 bytes a second, not a CD's.
  fake::script().medium = fake::Medium(u"DVD-ROM", 1, 1, 1, 1);
  NewContext();
  progress.recentSpeed = 22160000;
  Report(progress);
  EXPECT_EQ(Text(ScanPage::kSpeedId), "16x (21640.6 kbps)");
}

// A report runs while the worker may wait for it, and thousands run in one
// turn: what it changes is painted afterwards, the progress bar too (which
// would paint itself inside setValue).
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
  ASSERT_TRUE(gate.Reached(page.get()));

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
  EXPECT_EQ(LogTexts(),
            QStringList({"Surface scan started, start sector = 0, end sector = 199",
                         "Sector problem", "Sector error",
                         "Surface scan finished: 200 sectors, 198 good, 1 problem, 1 error, "
                         "0 not checked, in H:MM:SS"}));
  EXPECT_EQ(ToolTips(), QStringList({"198 of 200 sectors checked", "1 of 200 sectors checked",
                                     "1 of 200 sectors checked"}));
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
  fake::script().directories[u"/DIR"] = {{u"B.TXT", false}};
  fake::script().failingFiles = {u"/DIR/B.TXT"};
  NewContext();
  {
    ReadGate gate(50);
    PressStartStop();
    ASSERT_TRUE(gate.Reached(page.get()));
    PressStartStop();  // Stop: the worker ends after this sector
    EXPECT_EQ(Button(ScanPage::kStartStopId)->text(), "Stop");
    EXPECT_FALSE(page->Scanner()->IsRunning());
    PressStartStop();  // pressed again while stopping: nothing starts
    gate.Open();
    ASSERT_TRUE(Finished());
  }
  EXPECT_EQ(Text(ScanPage::kStatusId), "Surface Scan. Sector 50 from 1000");
  EXPECT_EQ(Progress(), 5);
  EXPECT_EQ(LogTexts().mid(1),
            QStringList({"Surface scan stopped at sector 51: 1000 sectors, 51 good, 0 problem, "
                         "0 error, 949 not checked, in H:MM:SS"}));

  // The files test: no problems, throughout, and the speed of the files'
  // sectors read back (A.TXT's 100).
  fake::script().layout = {{wrenlo::kLayoutFile, u"/A.TXT", 100 * 2048, {{100, 100}}}};
  Radio(ScanPage::kFilesTestId)->click();
  std::promise<void> verified;
  std::atomic<bool> verifying{false};
  fake::script().onVerify = [&](const std::u16string&) {
    if (!verifying.exchange(true)) verified.get_future().wait();
  };
  PressStartStop();
  ASSERT_TRUE(WaitUntil([&] { return verifying.load() && page->ReportsShown(); }));
  EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
  EXPECT_EQ(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "/A.TXT");
  EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));  // no file checked yet
  verified.set_value();
  ASSERT_TRUE(Finished());
  EXPECT_TRUE(QRegularExpression("^\\d+x \\(\\d+\\.\\d kbps\\)$")
                  .match(Text(ScanPage::kSpeedId))
                  .hasMatch());
  EXPECT_NE(Text(ScanPage::kSpeedId), "0x (0.0 kbps)");
  EXPECT_EQ(Text(ScanPage::kStatusId), "/DIR/B.TXT");
  EXPECT_EQ(Shares(), QStringList({"50.0%", "0.0%", "50.0%"}));
  EXPECT_EQ(Progress(), 100);
  EXPECT_EQ(LogTexts().mid(LogTexts().size() - 2),
            QStringList({"File error: /DIR/B.TXT",
                         "Files test finished: 2 files, 1 good, 0 problem, 1 error, "
                         "0 not checked, in H:MM:SS"}));
  EXPECT_EQ(ToolTips(),
            QStringList({"1 of 2 files checked", "0 of 2 files checked", "1 of 2 files checked"}));
  EXPECT_FALSE(Button(ScanPage::kDetailsId)->isEnabled());
}

// The medium taken out while the scan reads: the scan stops there, the
// sectors after it stay unchecked, and the log says so once.
TEST_F(ScanPageTest, MediumTakenOutStopsTheScanWithOneEntry) {
  ScriptDisc(1000);
  fake::script().readFailures[100] = 1;
  fake::script().onRead = [](std::int32_t address) {
    if (address == 300) fake::script().results["ReadSectors"] = wrenlo::kResultNoMedium;
  };
  NewContext();
  PressStartStop();
  ASSERT_TRUE(Finished());
  EXPECT_EQ(LogTexts(),
            QStringList({"Surface scan started, start sector = 0, end sector = 999",
                         "Sector problem", "Medium removed at sector 300",
                         "Surface scan stopped at sector 300: 1000 sectors, 299 good, 1 problem, "
                         "0 error, 700 not checked, in H:MM:SS"}));
  EXPECT_EQ(fake::ReadCount(300), 1);
  EXPECT_EQ(fake::ReadCount(301), 0);
  EXPECT_EQ(Shares(), QStringList({"99.7%", "0.3%", "0.0%"}));
  EXPECT_EQ(Progress(), 30);
  EXPECT_TRUE(ChoicesEnabled());
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
                    EXPECT_EQ(map.GetBlockFlags(299), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(300), 0);
                    EXPECT_EQ(map.GetBlockFlags(999), 0);
                  });
}

// A scan that checks nothing shows no share as good and says why; without a
// medium it cannot be started at all.
TEST_F(ScanPageTest, NothingCheckedShowsNoShareAndSaysWhy) {
  struct Case {
    const char* what;
    std::function<void()> script;
    int choice;
    const char* entry;
  };
  const Case cases[] = {
      {"tray opened after the drive was read",
       [] {
         ScriptDisc(50);
         fake::script().results["ReadSectors"] = wrenlo::kResultNoMedium;
       },
       ScanPage::kSurfaceScanId,
       "Surface scan stopped at sector 0: 50 sectors, 0 good, 0 problem, 0 error, "
       "50 not checked, in H:MM:SS"},
      {"a medium whose last session has no record",
       [] { fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1); },
       ScanPage::kSurfaceScanId,
       "Surface scan finished: nothing was read, the last session has no sectors"},
      {"a disc without files",
       [] {
         ScriptDisc(50);
         fake::script().directories[u""] = {};
       },
       ScanPage::kFilesTestId, "Files test finished: nothing was tested, no files found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    Button(ScanPage::kClearId)->click();
    c.script();
    NewContext();
    Radio(c.choice)->click();
    ASSERT_TRUE(Button(ScanPage::kStartStopId)->isEnabled());
    PressStartStop();
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Shares(), QStringList({"0.0%", "0.0%", "0.0%"}));
    ASSERT_FALSE(LogTexts().isEmpty());
    EXPECT_EQ(LogTexts().last(), c.entry);
  }

  // No medium, or no drive at all: nothing to start.
  fake::Reset();
  fake::script().results["GetMediumInformation"] = wrenlo::kResultNoMedium;
  NewContext();
  EXPECT_FALSE(Button(ScanPage::kStartStopId)->isEnabled());
  page->context = nullptr;
  page->UpdateContent();
  EXPECT_FALSE(Button(ScanPage::kStartStopId)->isEnabled());
  fake::Reset();
  ScriptDisc(10);
  NewContext();
  EXPECT_TRUE(Button(ScanPage::kStartStopId)->isEnabled());
}

// The end of a scan shows the end of a log that follows at once, with its
// last entry whole, not when the next paced scroll comes.
TEST_F(ScanPageTest, TheEndOfAScanShowsTheLastEntryAtOnce) {
  ScriptDisc(300);
  for (std::int32_t sector = 100; sector < 160; ++sector) fake::script().readFailures[sector] = 1;
  NewContext();
  PressStartStop();
  ASSERT_TRUE(Finished());
  QTreeWidgetItem* last = Log()->topLevelItem(Log()->topLevelItemCount() - 1);
  ASSERT_TRUE(last->text(1).startsWith("Surface scan finished")) << last->text(1).toStdString();
  const QRect shown = Log()->visualItemRect(last);
  EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < Log()->viewport()->height())
      << shown.top() << ".." << shown.bottom() << " in " << Log()->viewport()->height();
}

TEST_F(ScanPageTest, LogFollowsNewRowsUnlessScrolledUp) {
  QScrollBar* bar = Log()->verticalScrollBar();
  const auto add = [&](int rows) {
    for (int i = 0; i < rows; ++i) page->OnLogEntry(0, TimeValue{0}, u"row", kNoSector);
  };
  const auto atEnd = [&] { return bar->maximum() > 0 && bar->value() == bar->maximum(); };
  add(100);
  EXPECT_TRUE(WaitUntil(atEnd));
  bar->setValue(10);  // the user scrolls up to read
  add(5);
  EXPECT_FALSE(WaitUntil([&] { return bar->value() != 10; }, 200));
  bar->setValue(bar->maximum());  // and back to the end
  const int end = bar->maximum();
  add(5);
  EXPECT_TRUE(WaitUntil([&] { return atEnd() && bar->value() > end; }));
  EXPECT_EQ(Log()->topLevelItemCount(), 110);
}

// A few failed sectors of a large disc read "<0.1%", never 0.0%, and the
// good share then ">99.9%"; the tooltip gives the count.
TEST_F(ScanPageTest, IndicatorTooltipsGiveTheCountsBehindTheShares) {
  ScriptDisc(10);
  NewContext();
  EXPECT_EQ(ToolTips(), QStringList({"0 of 0 sectors checked", "0 of 0 sectors checked",
                                     "0 of 0 sectors checked"}));
  ProgressCtx_t progress;
  progress.total = 147296;
  progress.current = 147296;
  progress.problems = 40;
  progress.errors = 5;
  Report(progress);
  // No count hides behind a rounded share.
  EXPECT_EQ(Shares(), QStringList({">99.9%", "<0.1%", "<0.1%"}));
  EXPECT_EQ(ToolTips(),
            QStringList({"147251 of 147296 sectors checked", "40 of 147296 sectors checked",
                         "5 of 147296 sectors checked"}));
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

// A first sector kept in the settings from a larger disc: Start says the
// range lies outside this disc and where the disc ends, and scans nothing.
// The files test alone has no range.
TEST_F(ScanPageTest, AFirstSectorPastTheDiscSaysSoAtStart) {
  ScanOptions kept;
  kept.firstSector = 20000;
  SaveScanOptions(kept);
  page = std::make_unique<ScanPage>();
  page->CreatePage(&host);
  ScriptDisc(11936);
  NewContext();
  WithModalDialog([&] { PressStartStop(); },
                  [&](QDialog* dialog) {
                    auto* box = qobject_cast<QMessageBox*>(dialog);
                    ASSERT_NE(box, nullptr);
                    EXPECT_EQ(box->text(),
                              "The scan range lies outside this disc: its first sector is 20000, "
                              "and the disc's last sector is 11935. Choose the range with "
                              "Advanced...");
                    EXPECT_EQ(box->icon(), QMessageBox::Critical);
                    box->accept();
                  });
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(Button(ScanPage::kStartStopId)->text(), "Start");
  EXPECT_TRUE(fake::CallsNamed("ReadSectors").empty());
  EXPECT_EQ(Log()->topLevelItemCount(), 0);

  Radio(ScanPage::kFilesTestId)->setChecked(true);
  PressStartStop();
  ASSERT_TRUE(WaitUntil([&] { return !page->Scanner()->IsRunning(); }));
  EXPECT_GT(Log()->topLevelItemCount(), 0);
}

TEST_F(ScanPageTest, ClosingTheOptionsDialogLeavesThePageAsItWas) {
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
                      EXPECT_EQ(dialog->windowTitle(), "Advanced Scan Options");
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
    EXPECT_EQ(page->Options(), ScanOptions{});
  }
}

// The options chosen are what the next scan reads with, and what the next
// run of the program starts with; a retry reads what the last scan did not
// find Good.
TEST_F(ScanPageTest, TheChosenOptionsDriveTheScanAndAreKept) {
  ScriptDisc(20);
  fake::script().readFailures[5] = -1;
  NewContext();
  WithModalDialog(
      [&] { Button(ScanPage::kAdvancedId)->click(); },
      [](QDialog* dialog) {
        Item<QComboBox>(dialog, AdvancedScanOptionsDlg::kSectorsPerReadListId)->setCurrentText("8");
        Item<QComboBox>(dialog, AdvancedScanOptionsDlg::kAttemptsListId)->setCurrentText("2");
        Item<QPushButton>(dialog, 1)->click();
      });
  PressStartStop();
  ASSERT_TRUE(WaitUntil([&] { return !page->Scanner()->IsRunning(); }));
  // The history's look at the descriptors (sector 16; UDF's anchor, 256, is
  // past this disc's end), then reads of 8, 8 and 4; the failed first one
  // again sector by sector, and sector 5 twice.
  EXPECT_EQ(fake::CallsNamed("ReadSectors").size(), 1u + 3u + 8u + 1u);
  EXPECT_EQ(fake::ReadCount(5), 2);

  ScanPage next;
  EXPECT_EQ(next.Options().sectorsPerRead, 8);
  EXPECT_EQ(next.Options().attempts, 2);

  WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                  [](QDialog* dialog) {
                    Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->setChecked(true);
                    Item<QPushButton>(dialog, 1)->click();
                  });
  fake::Reset();
  ScriptDisc(20);
  NewContext();
  PressStartStop();
  ASSERT_TRUE(WaitUntil([&] { return !page->Scanner()->IsRunning(); }));
  EXPECT_EQ(fake::CallsNamed("ReadSectors"),
            (std::vector<std::string>{"ReadSectors(-1, 16, 1, 0, 2048)",
                                      "ReadSectors(-1, 5, 1, 0, 2048)"}));
  EXPECT_EQ(page->History().Last(u'E')->Counts().good, 20);
}

// The retry and the session belong to the drive and medium they were chosen
// for: another drive or medium shows the defaults, the same medium read again
// shows them still. A retry serves one scan, which says so in its start line.
TEST_F(ScanPageTest, RetryAndSessionBelongToTheirDriveAndMedium) {
  const auto scriptTwoSessions = [](std::int32_t secondCount) {
    fake::script().medium = fake::Medium(u"CD-ROM", 1, 2, 1, 2);
    fake::script().sessions[1] = fake::Session(10, 0, 1);
    fake::script().sessions[2] = fake::Session(secondCount, 20, 2);
  };
  scriptTwoSessions(8);
  fake::script().readFailures[24] = -1;
  NewContext();
  PressStartStop();
  ASSERT_TRUE(Finished());
  // What the dialog shows: the session, and whether it retries.
  const auto shown = [&] {
    QString seen;
    WithModalDialog(
        [&] { Button(ScanPage::kAdvancedId)->click(); },
        [&](QDialog* dialog) {
          seen = Item<QComboBox>(dialog, AdvancedScanOptionsDlg::kSessionListId)->currentText() +
                 (Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->isChecked() ? " retry"
                                                                                         : "");
          Item<QPushButton>(dialog, kIdCancel)->click();
        });
    return seen;
  };
  WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                  [](QDialog* dialog) {
                    Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->setChecked(true);
                    Item<QComboBox>(dialog, AdvancedScanOptionsDlg::kSessionListId)
                        ->setCurrentText("Session 2 (sectors 20 to 27)");
                    Item<QPushButton>(dialog, kIdOk)->click();
                  });
  EXPECT_EQ(shown(), "Session 2 (sectors 20 to 27) retry");

  const auto showDrive = [&](char16_t letter) {
    context = std::make_unique<DeviceContext>(letter);
    page->context = context.get();
    page->UpdateContent();
  };
  showDrive(u'D');
  EXPECT_EQ(shown(), "Last session");
  showDrive(u'E');  // the same medium read again
  EXPECT_EQ(shown(), "Session 2 (sectors 20 to 27) retry");
  scriptTwoSessions(9);  // another disc in E
  showDrive(u'E');
  EXPECT_EQ(shown(), "Last session");
  scriptTwoSessions(8);
  showDrive(u'E');

  // The last scan was of the last session: nothing to retry from in session
  // 2 counted from the disc's start, so all of it is read; the session stays
  // chosen, the retry is spent.
  PressStartStop();
  ASSERT_TRUE(Finished());
  EXPECT_TRUE(
      LogTexts().contains("Surface scan started, start sector = 20, end sector = 27, "
                          "session 2 of 2, sectors counted from the disc's start"));
  EXPECT_EQ(shown(), "Session 2 (sectors 20 to 27)");
  WithModalDialog([&] { Button(ScanPage::kAdvancedId)->click(); },
                  [](QDialog* dialog) {
                    Item<QCheckBox>(dialog, AdvancedScanOptionsDlg::kRetryId)->setChecked(true);
                    Item<QPushButton>(dialog, kIdOk)->click();
                  });
  fake::script().readFailures.clear();
  PressStartStop();
  ASSERT_TRUE(Finished());
  EXPECT_TRUE(
      LogTexts().contains("Surface scan started, start sector = 20, end sector = 27, "
                          "session 2 of 2, sectors counted from the disc's start, "
                          "retrying 1 sector"))
      << LogTexts().join('\n').toStdString();
  EXPECT_EQ(shown(), "Session 2 (sectors 20 to 27)");
  const ScanRecord* scan = page->History().Last(u'E');
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(scan->sectors.size(), 28u);
  EXPECT_EQ(scan->Counts().good, 8);
  EXPECT_EQ(scan->Counts().notChecked, 20);
}

TEST_F(ScanPageTest, DetailsMapFillsInWhileTheScanRuns) {
  ScriptDisc(300);
  fake::script().readFailures[250] = -1;
  NewContext();
  ReadGate gate(120);
  PressStartStop();
  ASSERT_TRUE(gate.Reached(page.get()));
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    SurfaceDetailsDialog* details = page->DetailsDialog();
                    ASSERT_NE(details, nullptr);
                    const SurfaceInfoControl& map = details->GetSurfaceMap();
                    EXPECT_EQ(map.Geometry().BlockCount(), 300);
                    EXPECT_EQ(map.GetBlockFlags(119), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(120), 0);
                    // The curve has reached the sectors read so far: its
                    // left part, not its right.
                    SpeedCurveControl& curve = details->GetSpeedCurve();
                    const auto curveAt = [&](double share) {
                      SpeedCurve drawn;
                      {
                        const std::lock_guard lock(page->Scanner()->stateLock);
                        drawn = page->Scanner()->speedCurve;
                      }
                      const QRect plot = SpeedCurvePlotArea(drawn, curve.size());
                      const QImage shown = curve.grab().toImage();
                      const int x = plot.left() + static_cast<int>(share * plot.width());
                      for (int y = plot.top(); y <= plot.bottom(); ++y)
                        if (shown.pixel(x, y) == kSpeedCurveColor) return true;
                      return false;
                    };
                    EXPECT_TRUE(curveAt(0.2));
                    EXPECT_FALSE(curveAt(0.9));
                    gate.Open();
                    ASSERT_TRUE(Finished());
                    EXPECT_TRUE(curveAt(0.9));
                    EXPECT_EQ(map.GetBlockFlags(299), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(250), kBlockError);
                    EXPECT_EQ(map.CurrentBlock(), 300);  // the last report's count
                  });
  EXPECT_EQ(page->DetailsDialog(), nullptr);
  EXPECT_EQ(SurfaceDetailsDialog::lastSectorsPerBlock, 1);
}

// The map and the curve take a fast scan's reports once a frame; each report
// still shows there within one.
TEST_F(ScanPageTest, TheMapFollowsTheReportsWithinAFrame) {
  ScriptDisc(300);
  NewContext();
  PressStartStop();
  ASSERT_TRUE(Finished());
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
                    ProgressCtx_t progress;
                    progress.total = 300;
                    for (int current : {10, 57}) {
                      progress.current = current;
                      page->OnProgress(progress);
                    }
                    EXPECT_TRUE(WaitUntil([&] { return map.CurrentBlock() == 57; }))
                        << map.CurrentBlock();
                  });
}

TEST_F(ScanPageTest, DamagedFilesAreListedOnceTheScanHasEnded) {
  ScriptDamagedFiles();
  NewContext();
  ReadGate gate(250);
  PressStartStop();
  ASSERT_TRUE(gate.Reached(page.get()));
  WithModalDialog(
      [&] { Button(ScanPage::kDetailsId)->click(); },
      [&](QDialog*) {
        const SurfaceDetailsDialog& details = *page->DetailsDialog();
        EXPECT_EQ(DamagedCaption(details), "Damaged files: listed when the scan has ended");
        EXPECT_TRUE(DamagedRows(details).isEmpty());
        gate.Open();
        ASSERT_TRUE(WaitUntil([&] { return !DamagedRows(details).isEmpty(); }));
        EXPECT_EQ(DamagedCaption(details), "Damaged files and structures: 3");
        EXPECT_EQ(DamagedRows(details), QStringList({"/DOCS/A.TXT 1 0", "/DOCS/B.BIN 0 3",
                                                     "Directory /DOCS (ISO 9660) 0 1"}));
      });
  const ScanRecord* scan = page->History().Last(u'E');
  ASSERT_NE(scan, nullptr);
  ASSERT_NE(scan->damage, nullptr);
  EXPECT_EQ(scan->damage->DamagedFiles().size(), 2u);

  // Opened again, the dialog lists them at once.
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) { EXPECT_EQ(DamagedRows(*page->DetailsDialog()).size(), 3); });
}

TEST_F(ScanPageTest, AStoppedScanListsWhatItFoundDamaged) {
  ScriptDamagedFiles();
  NewContext();
  ReadGate gate(180);
  PressStartStop();
  ASSERT_TRUE(gate.Reached(page.get()));
  PressStartStop();  // Stop: the sector in progress is the last one read
  gate.Open();
  ASSERT_TRUE(Finished());
  ASSERT_TRUE(WaitUntil([&] { return page->History().Last(u'E')->damage != nullptr; }));
  WithModalDialog([&] { Button(ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    EXPECT_EQ(DamagedRows(*page->DetailsDialog()),
                              QStringList({"/DOCS/A.TXT 1 0", "Directory /DOCS (ISO 9660) 0 1"}));
                  });
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

  // The text moves on while the events run: whether the scan has shown its
  // progress once is what counts.
  const auto showsProgress = [status, shown = false]() mutable {
    return shown = shown || status->Text().startsWith("Surface Scan. Sector ");
  };
  button->click();
  ASSERT_TRUE(WaitUntil(showsProgress));
  auto* drives = Item<DeviceCombo>(window->Client(), MainWindow::kDeviceComboId);
  drives->setCurrentIndex(1);
  WithModalDialog([&] { emit drives->activated(1); },
                  [](QDialog* box) { ClickButton(box, "Stop"); });
  EXPECT_NE(window->CurrentContext(), first);
  EXPECT_EQ(page->context, window->CurrentContext());
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(button->text(), "Start");  // the run's end was shown before the change
  EXPECT_EQ(status->Text(), "n/a");

  button->click();
  ASSERT_TRUE(WaitUntil(showsProgress));
  window.reset();  // pages first, then the context: no hang, no crash
  fake::SetRecording(true);
}

// A main window whose scan page scans drive D, a disc far too large to end
// during a test, with the worker held at sector 100 until the test lets go.
class ScanInMainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::SetRecording(false);
    fake::script().devices = {u"D: First drive", u"E: Second drive"};
    ScriptDisc(2000000);
    fake::script().readFailures[20] = 1;  // a problem sector
    window = std::make_unique<MainWindow>();
    window->Create();
    window->show();
    Item<TabCtrl>(window->Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
    page = static_cast<ScanPage*>(window->Page(2));
    gate = std::make_unique<ReadGate>(100);
    Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
    ASSERT_TRUE(gate->Reached(page));
  }

  void TearDown() override {
    gate->Open();
    window.reset();
    fake::SetRecording(true);
  }

  DeviceCombo* Drives() const { return Item<DeviceCombo>(window->Client(), 1001); }
  QString Status() const { return Item<StaticText>(page->Client(), ScanPage::kStatusId)->Text(); }
  QPushButton* Details() const { return Item<QPushButton>(page->Client(), ScanPage::kDetailsId); }
  int LogRows() const {
    return Item<QTreeWidget>(page->Client(), ScanPage::kLogId)->topLevelItemCount();
  }
  void PickDrive(int index) {
    Drives()->setCurrentIndex(index);
    emit Drives()->activated(index);
  }

  // Runs act, which must ask whether to stop the scan, and answers with the
  // button that reads answer; a Stop lets the held worker go first.
  void Answer(const std::function<void()>& act, const QString& answer) {
    WithModalDialog(act, [&](QDialog* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), "A scan is running. Stop it?");
      QStringList buttons;
      for (QAbstractButton* button : box->buttons()) buttons << button->text();
      buttons.sort();
      EXPECT_EQ(buttons, QStringList({"Continue scanning", "Stop"}));
      if (answer == "Stop") gate->Open();
      ClickButton(dialog, answer);
    });
  }

  std::unique_ptr<MainWindow> window;
  ScanPage* page = nullptr;
  std::unique_ptr<ReadGate> gate;
};

TEST_F(ScanInMainWindowTest, EveryWayOfLeavingTheScanAsksAndContinueChangesNothing) {
  const DeviceContext* context = window->CurrentContext();
  const struct {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"the same drive picked", [&] { PickDrive(0); }},
      {"another drive picked", [&] { PickDrive(1); }},
      {"Rescan Devices", [&] { window->Toolbar()->Button(MainWindow::kRescanDevices)->trigger(); }},
      {"Open Tray", [&] { window->Menu()->Command(MainWindow::kOpenTray)->trigger(); }},
      {"the close box", [&] { window->close(); }},
      {"Exit", [&] { window->OnCommand(MainWindow::kExit); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake::SetRecording(true);  // the worker is held: only the act's calls
    const std::size_t before = fake::Calls().size();
    Answer(c.act, "Continue scanning");
    EXPECT_EQ(fake::Calls().size(), before);
    fake::SetRecording(false);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(page->Scanner()->IsRunning());
    EXPECT_EQ(window->CurrentContext(), context);
    EXPECT_EQ(Drives()->currentText(), "D: First drive");
  }
}

// The scan ends (here: the medium goes) while the question is up: the box
// closes by itself and nothing that was asked about happens, so the ended
// scan stays on the page; the user may choose again.
TEST_F(ScanInMainWindowTest, AScanThatEndsWhileTheQuestionIsUpClosesItAndNothingHappens) {
  const auto endTheScan = [&](QDialog* box) {
    fake::script().results["ReadSectors"] = wrenlo::kResultNoMedium;
    gate->Open();
    EXPECT_TRUE(WaitUntil([box] { return !box->isVisible(); }));
  };
  const DeviceContext* context = window->CurrentContext();
  WithModalDialog([&] { PickDrive(1); }, endTheScan);
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_EQ(window->CurrentContext(), context);
  EXPECT_EQ(Drives()->currentText(), "D: First drive");
  EXPECT_TRUE(Status().startsWith("Surface Scan. Sector ")) << Status().toStdString();
  EXPECT_TRUE(Details()->isEnabled());
  // Now without a scan, the choice is made at once.
  PickDrive(1);
  EXPECT_EQ(window->CurrentContext()->driveLetter, u'E');
}

TEST_F(ScanInMainWindowTest, AWindowClosedWhileTheScanEndsStaysOpen) {
  WithModalDialog([&] { window->close(); },
                  [&](QDialog* box) {
                    fake::script().results["ReadSectors"] = wrenlo::kResultNoMedium;
                    gate->Open();
                    EXPECT_TRUE(WaitUntil([box] { return !box->isVisible(); }));
                  });
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_TRUE(window->isVisible());
}

// Enter and Escape on the window's own controls neither end the program nor
// ask about the scan.
TEST_F(ScanInMainWindowTest, KeysOnTheWindowLeaveTheScanAlone) {
  auto* tabBar = Item<TabCtrl>(window->Client(), MainWindow::kTabsId)->Bar();
  for (QWidget* control : {static_cast<QWidget*>(tabBar), static_cast<QWidget*>(Drives())}) {
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      control->setFocus();
      QTest::keyClick(control, key);
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
      EXPECT_TRUE(window->isVisible());
      EXPECT_TRUE(page->Scanner()->IsRunning());
    }
  }
}

TEST_F(ScanInMainWindowTest, AStoppedScanStaysOnThePageUntilAnotherDriveIsShown) {
  const DeviceContext* context = window->CurrentContext();
  Answer([&] { PickDrive(0); }, "Stop");
  EXPECT_FALSE(page->Scanner()->IsRunning());
  EXPECT_NE(window->CurrentContext(), context);  // the drive was read again
  EXPECT_EQ(window->CurrentContext()->driveLetter, u'D');
  EXPECT_TRUE(Status().startsWith("Surface Scan. Sector ")) << Status().toStdString();
  EXPECT_NE(page->GoodLabel().Text(), "0.0%");
  EXPECT_TRUE(Details()->isEnabled());
  const int rows = LogRows();
  EXPECT_GE(rows, 1);  // the problem sector

  const ScanRecord* record = page->History().Last(u'D');
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->ended);
  EXPECT_TRUE(record->surfaceScan);
  EXPECT_FALSE(record->filesTest);
  ASSERT_EQ(record->sectors.size(), 2000000u);
  const SectorCounts counts = record->Counts();
  EXPECT_EQ(counts.problem, 1);
  EXPECT_GE(counts.good, 99);
  EXPECT_GT(counts.notChecked, 1000000);
  EXPECT_EQ(counts.good + counts.problem + counts.error + counts.notChecked, 2000000);
  EXPECT_EQ(record->log.size(), static_cast<std::size_t>(rows));

  WithModalDialog([&] { Details()->click(); },
                  [&](QDialog*) {
                    ASSERT_NE(page->DetailsDialog(), nullptr);
                    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
                    EXPECT_EQ(map.GetBlockFlags(0), kBlockGood);
                    EXPECT_EQ(map.GetBlockFlags(20), kBlockProblem);
                  });

  // Opening the tray with Stop and rescanning keep it too; no question
  // without a scan.
  window->Menu()->Command(MainWindow::kOpenTray)->trigger();
  window->Toolbar()->Button(MainWindow::kRescanDevices)->trigger();
  EXPECT_TRUE(Details()->isEnabled());
  EXPECT_TRUE(Status().startsWith("Surface Scan. Sector "));

  PickDrive(1);
  EXPECT_EQ(window->CurrentContext()->driveLetter, u'E');
  EXPECT_EQ(Status(), "n/a");
  EXPECT_EQ(page->GoodLabel().Text(), "0.0%");
  EXPECT_FALSE(Details()->isEnabled());
  EXPECT_EQ(page->History().Last(u'D'), record);  // kept for the program's run
  EXPECT_EQ(page->History().Last(u'E'), nullptr);
}

// A report saved while the scan runs holds the scan as it stands, marked in
// progress: its counts so far, never zeros, and its log.
TEST_F(ScanInMainWindowTest, AReportSavedDuringTheScanIsInProgressWithItsCountsSoFar) {
  QTemporaryDir folder;
  const auto save = [&](const QString& name) {
    const QString path = folder.filePath(name);
    window->SetSaveFileDialog([&](QFileDialog&) { return path; });
    window->OnCommand(MainWindow::kSaveReport);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  };
  // Held at sector 100: sectors 0 to 99 read, sector 20 a problem.
  const QString json = save("running.json");
  EXPECT_TRUE(json.contains("\"in_progress\": true")) << json.toStdString();
  EXPECT_TRUE(json.contains("\"stopped\": false"));
  EXPECT_TRUE(json.contains("\"total\": 2000000, \"good\": 99, \"problems\": 1, \"errors\": 0"))
      << json.toStdString();
  EXPECT_TRUE(json.contains("\"problem_ranges\": [[20, 20]]"));
  const QString html = save("running.html");
  EXPECT_TRUE(html.contains("<p class=\"verdict\">In progress: 1 problem sector so far</p>"))
      << html.toStdString();
  EXPECT_TRUE(html.contains("<th scope=\"row\">Good</th><td>99 (99.0%)</td>"));
  EXPECT_TRUE(html.contains("<th scope=\"row\">Result</th><td>in progress</td>"));
  EXPECT_TRUE(html.contains("<td>Sector problem</td><td class=\"n\">20</td>"));
  EXPECT_TRUE(page->Scanner()->IsRunning());  // the scan goes on
}

// Stopping to close ends the scan; its results nobody kept, the program
// offers to save its report before it ends.
TEST_F(ScanInMainWindowTest, StoppingToCloseEndsTheScanAndTheWindow) {
  window->setResult(-1);
  gate->Open();
  EXPECT_EQ(AnswerBoxes([&] { window->close(); }, {"Stop", "Close without saving"}),
            QStringList({"A scan is running. Stop it?", "Save a report of the last scan?"}));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), kIdCancel);
  EXPECT_FALSE(page->Scanner()->IsRunning());
}

TEST_F(ScanInMainWindowTest, StoppingToOpenTheTrayEjectsAfterTheScanEnded) {
  fake::SetRecording(true);
  Answer([&] { window->Menu()->Command(MainWindow::kOpenTray)->trigger(); }, "Stop");
  EXPECT_FALSE(page->Scanner()->IsRunning());
  // After the last read (the files of the stopped scan may still be being
  // indexed, on a thread of their own).
  const std::vector<std::string> calls = fake::Calls();
  const auto eject = std::find(calls.begin(), calls.end(), "EjectDevice(-1)");
  ASSERT_NE(eject, calls.end());
  EXPECT_EQ(std::find_if(eject, calls.end(),
                         [](const std::string& call) { return call.starts_with("ReadSectors"); }),
            calls.end());
  EXPECT_EQ(fake::CallsNamed("EjectDevice").size(), 1u);
  EXPECT_TRUE(Details()->isEnabled());
  ASSERT_NE(page->History().Last(u'D'), nullptr);
  EXPECT_TRUE(page->History().Last(u'D')->ended);
}

// Double-clicking a cell of the details map shows its first sector in the
// Sector Viewer, which names the file it lies in.
TEST(ScanPageInMainWindow, DoubleClickOnTheMapShowsTheSectorInTheSectorViewer) {
  fake::Reset();
  fake::script().devices = {u"D: First drive"};
  ScriptDamagedFiles();
  MainWindow window;
  window.Create();
  window.show();
  auto* tabs = Item<TabCtrl>(window.Client(), MainWindow::kTabsId);
  tabs->Bar()->setCurrentIndex(2);
  auto* page = static_cast<ScanPage*>(window.Page(2));
  Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
  ASSERT_TRUE(WaitUntil([&] {
    const ScanRecord* scan = page->History().Last(u'D');
    return scan != nullptr && scan->damage != nullptr;
  }));

  WithModalDialog([&] { Item<QPushButton>(page->Client(), ScanPage::kDetailsId)->click(); },
                  [&](QDialog*) {
                    SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
                    const CellRect cell = map.Geometry().Cell(map.Geometry().SlotOf(122));
                    QTest::mouseDClick(map.viewport(), Qt::LeftButton, {},
                                       QPoint(cell.left + 4, cell.top + 4));
                  });
  EXPECT_EQ(page->DetailsDialog(), nullptr);  // closed by the double-click
  EXPECT_EQ(tabs->GetCurSel(), 3);
  BasePage* viewer = window.Page(3);
  EXPECT_EQ(Item<QLineEdit>(viewer->Client(), SectorInfoPage::kSectorEditId)->text(), "122");
  EXPECT_EQ(Item<QLabel>(viewer->Client(), SectorInfoPage::kHolderLabelId)->toolTip(),
            "Holder: /DOCS/A.TXT, byte 45056");
}

// Each drive keeps its own last scan: switching to another drive and back
// shows the drive's status, shares, log and map again, and the log's Save
// and Save Report hold that drive's scan only.
TEST(ScanPageInMainWindow, EachDriveKeepsItsOwnLastScan) {
  fake::Reset();
  fake::script().devices = {u"D: First drive", u"E: Second drive"};
  ScriptDisc(20);
  MainWindow window;
  window.Create();
  window.show();
  Item<TabCtrl>(window.Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
  auto* page = static_cast<ScanPage*>(window.Page(2));
  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  auto* status = Item<StaticText>(page->Client(), ScanPage::kStatusId);
  auto* details = Item<QPushButton>(page->Client(), ScanPage::kDetailsId);
  auto* log = Item<QTreeWidget>(page->Client(), ScanPage::kLogId);
  const auto pick = [&](int index) {
    drives->setCurrentIndex(index);
    emit drives->activated(index);
  };
  const auto scan = [&] {
    Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
    ASSERT_TRUE(WaitUntil([&] {
      const ScanRecord* record = page->History().Last(window.CurrentContext()->driveLetter);
      return record != nullptr && record->ended && record->damage != nullptr;
    }));
  };
  const auto logTexts = [&] {
    QStringList texts;
    for (int row = 0; row < log->topLevelItemCount(); ++row)
      texts << log->topLevelItem(row)->text(1) + "|" + log->topLevelItem(row)->text(2);
    return texts;
  };
  const auto shown = [&] {
    return QStringList({status->Text(), page->GoodLabel().Text(), page->ProblemLabel().Text(),
                        page->ErrorLabel().Text()});
  };

  // D: sector 5 a problem. E: sector 7 an error.
  fake::script().readFailures[5] = 1;
  scan();
  const QStringList shownOfD = shown();
  const QStringList logOfD = logTexts();
  EXPECT_EQ(shownOfD, QStringList({"Surface Scan. Sector 19 from 20", "95.0%", "5.0%", "0.0%"}));
  EXPECT_TRUE(logOfD.contains("Sector problem|5"));

  fake::script().readFailures = {{7, -1}};
  pick(1);
  ASSERT_EQ(window.CurrentContext()->driveLetter, u'E');
  EXPECT_EQ(shown(), QStringList({"n/a", "0.0%", "0.0%", "0.0%"}));
  EXPECT_FALSE(details->isEnabled());
  EXPECT_TRUE(logTexts().isEmpty());  // D's entries are D's
  scan();
  EXPECT_TRUE(logTexts().contains("Sector error|7"));
  EXPECT_FALSE(logTexts().contains("Sector problem|5"));

  pick(0);
  ASSERT_EQ(window.CurrentContext()->driveLetter, u'D');
  EXPECT_EQ(shown(), shownOfD);
  EXPECT_EQ(logTexts(), logOfD);
  ASSERT_TRUE(details->isEnabled());
  WithModalDialog([&] { details->click(); },
                  [&](QDialog*) {
                    const SurfaceInfoControl& map = page->DetailsDialog()->GetSurfaceMap();
                    EXPECT_EQ(map.GetSectorsPerBlock(), 1);
                    EXPECT_EQ(map.GetBlockFlags(5), kBlockProblem);
                    EXPECT_EQ(map.GetBlockFlags(7), kBlockGood);
                  });

  // The log saved and the report saved are D's.
  QTemporaryDir folder;
  const QString logPath = folder.filePath("d-log.txt");
  page->SetSaveFileDialog([&](QFileDialog&) { return logPath; });
  Item<QPushButton>(page->Client(), ScanPage::kSaveId)->click();
  QFile saved(logPath);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(saved.readAll());
  EXPECT_TRUE(text.contains("Sector problem\t5\n"));
  EXPECT_FALSE(text.contains("Sector error"));
  const QString reportPath = folder.filePath("d.json");
  window.SetSaveFileDialog([&](QFileDialog&) { return reportPath; });
  window.OnCommand(MainWindow::kSaveReport);
  QFile report(reportPath);
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QString json = QString::fromUtf8(report.readAll());
  EXPECT_TRUE(json.contains("\"problem_ranges\": [[5, 5]]")) << json.toStdString();
  EXPECT_TRUE(json.contains("\"error_ranges\": []")) << json.toStdString();
}

// Closing the program after a scan whose results were neither saved nor
// reported asks whether to save its report: Cancel stays, Save Report...
// saves and ends, Close without saving ends. A saved report or log, or the
// setting turned off, ends without asking.
TEST(ScanPageInMainWindow, ClosingAfterAScanNobodyKeptOffersItsReport) {
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QTemporaryDir folder;
  const auto run = [&](const std::function<void(MainWindow&, ScanPage&)>& act) {
    fake::Reset();
    fake::script().devices = {u"D: First drive"};
    ScriptDisc(20);
    MainWindow window;
    window.Create();
    window.show();
    auto* page = static_cast<ScanPage*>(window.Page(2));
    Item<QPushButton>(page->Client(), ScanPage::kStartStopId)->click();
    EXPECT_TRUE(WaitUntil([&] {
      const ScanRecord* scan = page->History().Last(u'D');
      return scan != nullptr && scan->ended;
    }));
    act(window, *page);
  };
  const QStringList question = {"Save a report of the last scan?"};

  run([&](MainWindow& window, ScanPage&) {
    EXPECT_EQ(AnswerBoxes([&] { window.close(); }, {"Cancel"}), question);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(AnswerBoxes([&] { window.OnCommand(MainWindow::kExit); }, {"Close without saving"},
                          [](QMessageBox* box) {
                            EXPECT_TRUE(box->informativeText().startsWith(
                                "The scan of drive D: (ended at "));
                          }),
              question);
    EXPECT_FALSE(window.isVisible());
  });
  // Save Report...: the report is written, and the program ends.
  run([&](MainWindow& window, ScanPage&) {
    const QString path = folder.filePath("last.json");
    window.SetSaveFileDialog([&](QFileDialog&) { return path; });
    EXPECT_EQ(AnswerBoxes([&] { window.close(); }, {"Save Report..."}), question);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(QFile::exists(path));
  });
  // A save dialog cancelled keeps the program.
  run([&](MainWindow& window, ScanPage&) {
    window.SetSaveFileDialog([](QFileDialog&) { return QString(); });
    EXPECT_EQ(AnswerBoxes([&] { window.close(); }, {"Save Report..."}), question);
    EXPECT_TRUE(window.isVisible());
  });
  // Its report or its log saved: no question.
  run([&](MainWindow& window, ScanPage&) {
    window.SetSaveFileDialog([&](QFileDialog&) { return folder.filePath("saved.html"); });
    window.OnCommand(MainWindow::kSaveReport);
    EXPECT_TRUE(AnswerBoxes([&] { window.close(); }, {}).isEmpty());
    EXPECT_FALSE(window.isVisible());
  });
  run([&](MainWindow& window, ScanPage& page) {
    page.SetSaveFileDialog([&](QFileDialog&) { return folder.filePath("saved.txt"); });
    Item<QPushButton>(page.Client(), ScanPage::kSaveId)->click();
    EXPECT_TRUE(AnswerBoxes([&] { window.close(); }, {}).isEmpty());
    EXPECT_FALSE(window.isVisible());
  });
  // "Do not ask again" turns the setting off, which General's menu shows and
  // turns on again.
  run([&](MainWindow& window, ScanPage&) {
    QAction* ask = window.Menu()->Command(MainWindow::kAskToSaveReport);
    EXPECT_TRUE(ask->isChecked());
    EXPECT_EQ(AnswerBoxes([&] { window.close(); }, {"Cancel"},
                          [](QMessageBox* box) { box->checkBox()->setChecked(true); }),
              question);
    EXPECT_TRUE(ask->isChecked());  // not with Cancel
    EXPECT_EQ(AnswerBoxes([&] { window.close(); }, {"Close without saving"},
                          [](QMessageBox* box) { box->checkBox()->setChecked(true); }),
              question);
    EXPECT_FALSE(ask->isChecked());
  });
  run([&](MainWindow& window, ScanPage&) {
    QAction* ask = window.Menu()->Command(MainWindow::kAskToSaveReport);
    EXPECT_FALSE(ask->isChecked());
    EXPECT_TRUE(AnswerBoxes([&] { window.close(); }, {}).isEmpty());
    EXPECT_FALSE(window.isVisible());
    ask->trigger();  // on again
    EXPECT_TRUE(ProgramSettings().value("window/askToSaveReport").toBool());
  });
}

}  // namespace
