#include "gui/pages/ScanPage.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <mutex>

#include "core/disc/DeviceContext.h"
#include "core/history/DiscHistory.h"
#include "core/history/ScanKeeper.h"
#include "core/io/InputFiles.h"
#include "core/report/DiscReport.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanProgressText.h"
#include "core/rescue/CopyJob.h"
#include "core/rescue/IncompleteFiles.h"
#include "core/scan/ReadSpeeds.h"
#include "core/scan/SectorScanner.h"
#include "core/scan/SpeedCurve.h"
#include "core/verify/ImageComparison.h"
#include "core/verify/VerifyLog.h"
#include "gui/controls/AdvancedScanOptionsDlg.h"
#include "gui/controls/HistoryDialog.h"
#include "gui/controls/RepaintPacer.h"
#include "gui/controls/ScanOptionsSettings.h"
#include "gui/controls/StaticText.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/extract/Extraction.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"
#include "gui/scan/ScannerCallMessage.h"
#include "gui/scan/WindowBridge.h"

namespace {

// The status line and the speed: static texts that change with every report.
QWidget* MakeReportText(QWidget* parent) { return new StaticText(QStringLiteral("n/a"), parent); }

const DialogTemplate kTemplate131 = {
    131,
    {316, 205},
    "",
    kChildWindow,
    {
        {ScanPage::kStatusId, ControlKind::Static, "n/a", 0, {34, 7, 275, 8}, &MakeReportText},
        {ScanPage::kProgressId, ControlKind::ProgressBar, "", 0, {7, 18, 245, 11}},
        {ScanPage::kSpeedLabelId, ControlKind::Static, "Current speed:", 0, {7, 35, 50, 8}},
        {ScanPage::kSpeedId, ControlKind::Static, "n/a", 0, {58, 35, 90, 8}, &MakeReportText},
        {ScanPage::kGoodLabelId, ControlKind::Static, "Good:", 0, {181, 35, 35, 8}},
        {ScanPage::kProblemLabelId, ControlKind::Static, "Problem:", 0, {227, 35, 35, 8}},
        {ScanPage::kErrorLabelId, ControlKind::Static, "Error:", 0, {273, 35, 35, 8}},
        {ScanPage::kLogLabelId, ControlKind::Static, "Log:", 0, {7, 53, 40, 8}},
        {ScanPage::kLogId, ControlKind::ListView, "", kBorder | kTabStop, {7, 63, 302, 78}},
        {ScanPage::kClearId, ControlKind::PushButton, "Clear", kTabStop, {196, 146, 50, 14}},
        {ScanPage::kSaveId, ControlKind::PushButton, "Save", kTabStop, {259, 146, 50, 14}},
        {ScanPage::kSurfaceScanId,
         ControlKind::RadioButton,
         "Surface Scan",
         kTabStop,
         {7, 146, 70, 10}},
        {ScanPage::kFilesTestId, ControlKind::RadioButton, "Files Test", 0, {7, 158, 70, 10}},
        {ScanPage::kCopyToImageId, ControlKind::RadioButton, "Copy to Image", 0, {7, 170, 70, 10}},
        {ScanPage::kOpenCopyId,
         ControlKind::PushButton,
         "Open as Drive",
         kTabStop,
         {249, 184, 60, 14}},
        {ScanPage::kStartStopId, ControlKind::PushButton, "Start", kTabStop, {7, 184, 50, 14}},
        {ScanPage::kAdvancedId,
         ControlKind::PushButton,
         "Advanced...",
         kTabStop,
         {63, 184, 50, 14}},
        {ScanPage::kStatusLabelId, ControlKind::Static, "Status:", 0, {7, 7, 25, 8}},
        {ScanPage::kDetailsId, ControlKind::PushButton, "Details...", kTabStop, {259, 17, 50, 14}},
        {ScanPage::kHistoryId, ControlKind::PushButton, "History...", kTabStop, {119, 184, 50, 14}},
        {ScanPage::kCompareId,
         ControlKind::PushButton,
         "Compare with Image...",
         kTabStop,
         {175, 184, 70, 14}},
    },
};

const QString kNotAvailable = QStringLiteral("n/a");
const QString kNoShare = QStringLiteral("0.0%");

struct IndicatorColors {
  QColor text;
  QColor fill;
  QColor border;
};

const IndicatorColors kGoodColors{QColor(0, 0, 0), QColor(20, 242, 0), QColor(160, 160, 160)};
const IndicatorColors kProblemColors{QColor(0, 0, 0), QColor(255, 204, 0), QColor(160, 160, 160)};
const IndicatorColors kErrorColors{QColor(255, 255, 255), QColor(255, 51, 0),
                                   QColor(160, 160, 160)};

// How long new log rows wait before the list scrolls to them: scrolling lays
// out every row, which a row at a time would cost a long log dearly.
constexpr int kLogFollowDelayMs = 50;

// How often a running copy's incomplete files are indexed anew.
constexpr int kIncompleteRefreshMs = 5000;

bool AskYesNo(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Copy to Image"), question,
                  QMessageBox::Yes | QMessageBox::No, parent);
  return box.exec() == QMessageBox::Yes;
}

// The widest text of the log's "Time" column, and of its "Sector" column (a
// BD's sectors run to eight digits).
const QString kTimeSample = QStringLiteral("00/00/0000 00:00:00");
const QString kSectorSample = QStringLiteral("000000000");

// The log's column of the sector an entry names.
constexpr int kSectorColumn = 2;

// Places a caption. The layout's widths were drawn for a narrow dialog font:
// a wider desktop font widens the caption to its text instead of cutting it.
void MoveCaption(QWidget* caption, int x, int y, int width, int height) {
  const auto* label = qobject_cast<const QLabel*>(caption);
  const int needed = label != nullptr ? label->fontMetrics().horizontalAdvance(label->text()) : 0;
  MoveWindow(caption, x, y, std::max(width, needed), height);
}

// The width a cell of the view needs to show text whole.
int TextCellWidth(const QTreeWidget* view, const QString& text) {
  QStyleOptionViewItem option;
  option.initFrom(view);
  option.font = view->font();
  option.text = text;
  option.features = QStyleOptionViewItem::HasDisplay;
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  return view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), view).width();
}

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ScanPage::ScanPage()
    : historyFile(std::make_unique<InputFile>(DiscHistory::DefaultPath(), "the scan history")),
      scanOptions(LoadScanOptions()),
      askQuestion(AskYesNo) {}

// The scanner goes first: it stops the run and waits for its worker, which
// reports nothing more once the bridge is closed.
ScanPage::~ScanPage() { scanner.reset(); }

QString ScanPage::GetTitle() const { return QStringLiteral("Scan"); }

void ScanPage::CreatePage(QWidget* parent) { CreateModeless(kTemplate131, parent); }

bool ScanPage::OnInitDialog() {
  SetUpLogList();
  progressBar = Item<QProgressBar>(Client(), kProgressId);
  // Replaces (and so deletes) a scanner the page held before.
  scanner = std::make_unique<SectorScanner>(std::make_unique<WindowBridge>(this), this);
  statusText = Item<StaticText>(Client(), kStatusId);
  speedText = Item<StaticText>(Client(), kSpeedId);
  startStop = Item<QPushButton>(Client(), kStartStopId);
  details = Item<QPushButton>(Client(), kDetailsId);
  advanced = Item<QPushButton>(Client(), kAdvancedId);
  historyButton = Item<QPushButton>(Client(), kHistoryId);
  compare = Item<QPushButton>(Client(), kCompareId);
  frameRefresh = new QTimer(this);
  frameRefresh->setSingleShot(true);
  frameRefresh->setInterval(RepaintPacer::kFrameMs);
  connect(frameRefresh, &QTimer::timeout, this, &ScanPage::ShowReports);
  surfaceScan = Item<QRadioButton>(Client(), kSurfaceScanId);
  filesTest = Item<QRadioButton>(Client(), kFilesTestId);
  copyToImage = Item<QRadioButton>(Client(), kCopyToImageId);
  openCopy = Item<QPushButton>(Client(), kOpenCopyId);
  openCopy->hide();
  incompleteRefresh = new QTimer(this);
  incompleteRefresh->setInterval(kIncompleteRefreshMs);
  connect(incompleteRefresh, &QTimer::timeout, this, &ScanPage::IndexIncompleteFiles);
  surfaceScan->setChecked(true);
  details->setEnabled(false);
  Item(Client(), kSaveId)->setEnabled(false);
  CreateIndicators();
  ConnectMessages();
  return false;
}

void ScanPage::SetUpLogList() {
  logList = Item<QTreeWidget>(Client(), kLogId);
  logList->setHeaderLabels(
      {QStringLiteral("Time"), QStringLiteral("Description"), QStringLiteral("Sector")});
  logList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  logList->headerItem()->setTextAlignment(kSectorColumn, Qt::AlignRight | Qt::AlignVCenter);
  logList->header()->setStretchLastSection(false);
  logList->setColumnWidth(0, 100);
  logList->setColumnWidth(1, 100);
  // Full-row selection.
  logList->setSelectionBehavior(QAbstractItemView::SelectRows);
  logList->setAllColumnsShowFocus(true);
  // The list follows new rows while it shows its end: the user scrolling up
  // stops that, scrolling back to the end resumes it.
  QScrollBar* bar = logList->verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this,
          [this, bar](int value) { followLog = value == bar->maximum(); });
  logFollow = new QTimer(this);
  logFollow->setSingleShot(true);
  logFollow->setInterval(kLogFollowDelayMs);
  connect(logFollow, &QTimer::timeout, this, [this] {
    if (followLog) logList->scrollToBottom();
  });
}

void ScanPage::CreateIndicators() {
  for (auto [label, colors] :
       {std::pair{&goodLabel, &kGoodColors}, std::pair{&errorLabel, &kErrorColors},
        std::pair{&problemLabel, &kProblemColors}}) {
    label->setParent(Client());
    label->setGeometry(0, 0, 0, 0);
    label->show();
    label->SetColors(colors->text, colors->fill, colors->border);
    label->SetText(kNoShare);
    label->installEventFilter(this);
  }
}

// The page's message table.
void ScanPage::ConnectMessages() {
  connect(Item<QPushButton>(Client(), kSaveId), &QPushButton::clicked, this, &ScanPage::OnSaveLog);
  connect(startStop, &QPushButton::clicked, this, &ScanPage::OnStartStop);
  connect(details, &QPushButton::clicked, this, &ScanPage::OnDetails);
  connect(advanced, &QPushButton::clicked, this, &ScanPage::OnAdvanced);
  connect(compare, &QPushButton::clicked, this, &ScanPage::OnCompare);
  connect(Item<QPushButton>(Client(), kClearId), &QPushButton::clicked, this, &ScanPage::OnClear);
  connect(openCopy, &QPushButton::clicked, this, [this] {
    if (shownScan != nullptr && !shownScan->copyImage.empty())
      emit openImageRequested(QFile::decodeName(shownScan->copyImage.c_str()));
  });
  connect(historyButton, &QPushButton::clicked, this, &ScanPage::OnHistory);
}

bool ScanPage::event(QEvent* event) {
  if (event->type() == ScannerCallMessage) {
    OnScannerCall(static_cast<const ScannerCallEvent&>(*event));
    return true;
  }
  return BasePage::event(event);
}

void ScanPage::OnScannerCall(const ScannerCallEvent& call) { call.Run(); }

bool ScanPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip &&
      (watched == &goodLabel || watched == &problemLabel || watched == &errorLabel)) {
    const auto* help = static_cast<const QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), IndicatorToolTip(watched),
                       static_cast<QWidget*>(watched));
    return true;
  }
  return BasePage::eventFilter(watched, event);
}

// Made when asked for, so that a progress report costs nothing more.
QString ScanPage::IndicatorToolTip(const QObject* indicator) const {
  const ShareCounts counts = ShareCountsOf(shownProgress);
  const std::int64_t count = indicator == &goodLabel      ? counts.good
                             : indicator == &problemLabel ? counts.problem
                                                          : counts.error;
  return ToQString(ShareCountText(count, counts.Checked(), shownPass));
}

// --- The page contract ----------------------------------------------------------------

// A context of the drive the page shows keeps its scan in view; any other
// shows the display of its drive anew: that drive's own scan and log.
void ScanPage::UpdateContent() {
  const std::uint16_t letter = context != nullptr ? context->driveLetter : 0;
  if (driveShown && letter == shownDrive && shownScan != nullptr) {
    EnableStart();  // the medium may have gone or come
    return;
  }
  ShowDrive(letter);
}

void ScanPage::ShowDrive(std::uint16_t letter) {
  driveShown = true;
  shownDrive = letter;
  shownScan = history.Last(letter);
  FillLog();
  ClearFigures();
  if (shownScan == nullptr) return;
  // The kept scan as it ended: its last progress, the map behind Details.
  shownPass = shownScan->filesPass.ran ? ScanPass::FilesTest : ScanPass::SurfaceScan;
  shownProgress = shownScan->progress;
  SetProgressPosition(ProgressPosition(shownProgress));
  reportsToShow = true;
  ShowReports();
  details->setEnabled(shownScan->surfaceScan);
  ShowOpenCopy();
}

// "Open as Drive" for the shown drive's copy once it has ended; a copy that
// failed before it began has no image to open.
void ScanPage::ShowOpenCopy() {
  openCopy->setVisible(shownScan != nullptr && shownScan->copyToImage && shownScan->ended &&
                       QFile::exists(QFile::decodeName(shownScan->copyImage.c_str())));
}

void ScanPage::FillLog() {
  logList->clear();
  const std::vector<ScanLogEntry>& log = logs[shownDrive];
  for (const ScanLogEntry& entry : log) AddLogRow(entry);
  Item(Client(), kSaveId)->setEnabled(!log.empty());
  followLog = true;
  logList->scrollToBottom();
}

void ScanPage::ForgetDrive(std::uint16_t letter) {
  history.Forget(letter);
  logs.erase(letter);
  if (driveShown && letter == shownDrive) ShowDrive(letter);
}

void ScanPage::MarkSaved(std::uint16_t letter) {
  if (ScanRecord* record = history.Last(letter); record != nullptr && record->ended)
    record->saved = true;
}

const ScanRecord* ScanPage::UnsavedScan() const {
  const ScanRecord* newest = history.Newest();
  return newest != nullptr && newest->ended && !newest->saved ? newest : nullptr;
}

std::optional<ScanRecord> ScanPage::ScanToReport(std::uint16_t letter) const {
  const ScanRecord* kept = history.Last(letter);
  if (kept == nullptr) return std::nullopt;
  ScanRecord scan = *kept;
  if (scan.ended || !scanner->IsRunning()) return scan;
  // A scan still running: as it stands, its pass so far ended here.
  scan.end = TimeValue::Now();
  scan.progress = shownProgress;
  scan.EndPass(shownPass, shownProgress,
               static_cast<std::uint64_t>(
                   std::max<std::int64_t>(0, (scan.end.seconds - scan.start.seconds) * 1000000)));
  if (shownPass == ScanPass::SurfaceScan) {
    const std::lock_guard lock(scanner->stateLock);
    scan.sectors = scanner->surfaceState.sectors;
    scan.speedCurve = scanner->speedCurve;
    scan.extent = scanner->extent;
  }
  return scan;
}

void ScanPage::ClearFigures() {
  progressBar->setValue(0);
  speedText->SetText(kNotAvailable);
  statusText->SetText(kNotAvailable);
  goodLabel.SetText(kNoShare);
  errorLabel.SetText(kNoShare);
  problemLabel.SetText(kNoShare);
  shownPass = ScanPass::None;
  shownProgress = ProgressCtx_t();
  reportsToShow = false;
  frameRefresh->stop();
  details->setEnabled(false);
  openCopy->hide();
  EnableStart();
}

// A scan needs a medium; a running one can always be stopped. The history
// is the medium's.
void ScanPage::EnableStart() {
  const bool medium = context != nullptr && context->hasMedium;
  startStop->setEnabled(scanner->IsRunning() || medium);
  historyButton->setEnabled(medium);
  compare->setEnabled(!scanner->IsRunning() && medium);
}

// The scan of the context that is about to go ends first; its last reports
// still reach the page meanwhile.
void ScanPage::ReleaseContext() {
  if (scanner != nullptr) scanner->StopAndWait();
}

// --- Commands ------------------------------------------------------------------------------

void ScanPage::OnStartStop() {
  if (scanner->IsRunning()) {
    scanner->Stop();  // the button reads "Stop" until the run's end arrives
    return;
  }
  if (copyToImage->isChecked()) {
    StartCopy();
    return;
  }
  const bool surface = surfaceScan->isChecked();
  const bool files = filesTest->isChecked();
  if (!surface && !files) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("At least one option should be selected."), QMessageBox::Ok,
                    window());
    box.exec();
    return;
  }
  if (context == nullptr) return;
  // A first sector kept from a larger disc: say so, rather than scan nothing.
  if (const std::u16string outside = RangeOutsideText(
          scanOptions.firstSector, ExtentOf(*context, ChoicesForMedium().session).count);
      surface && !outside.empty()) {
    QMessageBox box(
        QMessageBox::Critical, QStringLiteral("Error"),
        QString::fromStdU16String(outside) + QStringLiteral(" Choose the range with Advanced..."),
        QMessageBox::Ok, window());
    box.exec();
    return;
  }
  keeper = std::make_shared<ScanKeeper>(*context);
  scanner->options = OptionsForScan();
  if (!scanner->Start(surface, files, context)) return;
  shownScan = &history.Begin(context->driveLetter, surface, files, TimeValue::Now());
  // A retry serves one scan.
  if (surface && mediumChoices) mediumChoices->retry = false;
}

ScanPage::MediumChoices ScanPage::ChoicesForMedium() const {
  MediumChoices choices;
  if (context == nullptr) return choices;
  choices.medium = IdentityOf(*context);
  if (mediumChoices && mediumChoices->medium == choices.medium) choices = *mediumChoices;
  return choices;
}

void ScanPage::StartCopy() {
  if (context == nullptr) return;
  const bool binCue = OwnImageFormat(*context) == ImageFormat::BinCue;
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // An existing image is a copy to continue, asked about below.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QString iso = QStringLiteral("ISO Images (*.iso)");
  const QString cue = QStringLiteral("Cue Sheets with BIN Files (*.cue)");
  dialog.setNameFilters(binCue ? QStringList{cue} : QStringList{iso, cue});
  dialog.setDefaultSuffix(binCue ? QStringLiteral("cue") : QStringLiteral("iso"));
  PrepareSaveDialog(dialog, ToQString(DiscFileName(*context)) +
                                (binCue ? QStringLiteral(".cue") : QStringLiteral(".iso")));
  const QString path = runSaveDialog(dialog);
  if (path.isEmpty()) return;
  RememberSaveFolder(path);

  CopyRequest request;
  request.image = QFile::encodeName(path).toStdString();
  request.range = {scanOptions.firstSector, scanOptions.lastSector};
  request.options.sectorsPerRead = scanOptions.sectorsPerRead;
  request.options.retries = scanOptions.attempts - 1;
  request.options.speed = scanOptions.speed;
  auto job = std::make_shared<CopyJob>();
  std::string error;
  if (!job->Prepare(*context, request, error)) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Copy to Image"),
                    QString::fromStdString(error), QMessageBox::Ok, window());
    box.exec();
    return;
  }
  if (job->Resumes() &&
      !askQuestion(window(), QStringLiteral("Resume the copy?\n\n%1 holds part of a copy of this "
                                            "disc; only what it lacks is read.")
                                 .arg(QFile::decodeName(job->Targets().image.c_str()))))
    return;
  const std::string& opened =
      job->Targets().cue.empty() ? job->Targets().image : job->Targets().cue;
  if (!scanner->StartCopy(context, job)) return;
  // A copy rescues the disc rather than measuring it: it is not kept in the
  // scan history, and no earlier scan's keeper may take it for a scan.
  keeper.reset();
  openCopy->hide();
  shownScan = &history.Begin(context->driveLetter, true, false, TimeValue::Now());
  shownScan->copyToImage = true;
  shownScan->copyImage = opened;
  incompleteRefresh->start();
}

void ScanPage::IndexIncompleteFiles() {
  if (shownScan == nullptr || !shownScan->copyToImage || scanner->copyJob == nullptr) return;
  {
    const std::lock_guard lock(scanner->stateLock);
    shownScan->sectors = scanner->surfaceState.sectors;
  }
  IndexDamage(*shownScan);
}

ScanOptions ScanPage::OptionsForScan() const {
  ScanOptions options = scanOptions;
  const MediumChoices choices = ChoicesForMedium();
  options.session = choices.session;
  options.retry = false;
  if (!choices.retry) return options;
  // What the drive's last surface scan of the same sectors did not find
  // Good (a copy's table holds what it copied, not what a scan found), else
  // the disc's latest one kept in the history.
  const ScanRecord* last = history.Last(context->driveLetter);
  const ScanExtent extent = ExtentOf(*context, options.session);
  if (last != nullptr && last->surfaceScan && !last->copyToImage &&
      last->extent.session == extent.session && last->extent.tableStart == extent.tableStart &&
      last->sectors.size() == static_cast<std::size_t>(extent.count)) {
    options.previous = last->sectors;
  } else if (options.session == kLastSession) {
    DiscHistory kept;
    options.previous = keeper->LastSurfaceTable(kept, extent.count);
  }
  // Nothing to retry from: the whole range is read.
  options.retry = !options.previous.empty();
  return options;
}

// A running scan's map follows the scanner; an ended one shows its kept
// table, whichever drive the scanner read last.
void ScanPage::OnDetails() {
  const ScanTable* table = scanner.get();
  if (shownScan != nullptr && shownScan->ended) {
    keptTable.Keep(shownScan->sectors, shownScan->speedCurve);
    table = &keptTable;
  }
  const bool comparing = table == scanner.get()
                             ? scanner != nullptr && scanner->options.compareWith != nullptr
                             : shownScan->verify.compare.ran;
  SurfaceDetailsDialog dialog(table, comparing, this);
  if (shownScan != nullptr) dialog.SetDamageIndex(shownScan->damage);
  OfferExtraction(dialog);
  detailsDialog = &dialog;
  dialog.DoModal();
  detailsDialog = nullptr;
  if (dialog.RequestedSector() >= 0) RequestSector(dialog.RequestedSector());
}

// The damaged files listed are those of the session whose layout indexed
// the scan (a copy's: the last session); they are read from the drive
// scanned, as the scan's options read sectors. The scan is taken as it is
// when they are chosen: one still running when the dialog opened has ended.
void ScanPage::OfferExtraction(SurfaceDetailsDialog& dialog) {
  dialog.SetExtractFiles([this](std::vector<std::u16string> files, QWidget* over) {
    if (shownScan == nullptr) return;
    ExtractionRequest request;
    request.driveLetter = shownScan->driveLetter;
    request.track = shownScan->copyToImage ? scanner->deviceContext->GetSessionInfo(-1).firstTrack
                                           : shownScan->extent.layoutTrack;
    request.files = std::move(files);
    request.reading = {scanOptions.sectorsPerRead, scanOptions.attempts};
    ExtractWithDialogs(over, request, runFolderDialog);
  });
}

// A sector of a table numbered from the disc's start is shown in the session
// that holds it.
void ScanPage::RequestSector(std::int32_t sector) {
  if (shownScan == nullptr || !shownScan->extent.fromDiscStart || context == nullptr)
    return emit showSectorRequested(kLastSession, sector);
  for (const auto& [number, session] : context->Sessions()) {
    const std::int32_t start = session.startSector;
    const std::int32_t count = session.sectorCount;
    if (sector >= start && sector - start < count)
      return emit showSectorRequested(number, sector - start);
  }
}

// The session and the retry shown are those chosen for the drive and medium
// shown, if any; the rest holds for every scan and is kept in the settings.
void ScanPage::OnAdvanced() {
  std::vector<int> speeds;
  std::map<std::int32_t, wrenlo::SessionInfo> sessions;
  if (context != nullptr && context->hasMedium) {
    speeds = OfferedSpeeds(context->maxReadSpeed, context->medium.typeName.str());
    sessions = context->Sessions();
  }
  MediumChoices choices = ChoicesForMedium();
  ScanOptions shown = scanOptions;
  shown.session = choices.session;
  shown.retry = choices.retry;
  AdvancedScanOptionsDlg dialog(shown, speeds, sessions, window());
  if (dialog.DoModal() != kIdOk) return;
  scanOptions = dialog.Options();
  choices.session = scanOptions.session;
  choices.retry = scanOptions.retry;
  scanOptions.session = kLastSession;
  scanOptions.retry = false;
  if (choices.session != kLastSession || choices.retry)
    mediumChoices = choices;
  else
    mediumChoices.reset();
  SaveScanOptions(scanOptions);
}

void ScanPage::OnCompare() {
  if (scanner->IsRunning() || context == nullptr || !context->hasMedium) return;
  QFileDialog dialog(this, QStringLiteral("Compare with Image"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  PlainFileIconProvider icons;
  dialog.setIconProvider(&icons);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {QStringLiteral("Disc images (*.iso *.img *.udf)"), QStringLiteral("All Files (*)")});
  const QString path = runOpenDialog ? runOpenDialog(dialog)
                       : dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                           ? dialog.selectedFiles().front()
                           : QString();
  if (path.isEmpty()) return;
  auto image = std::make_shared<ImageComparison>();
  std::string error;
  if (!image->Open(QFile::encodeName(path).toStdString(), error)) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(error),
                    QMessageBox::Ok, window());
    box.exec();
    return;
  }
  // Every sector is read and compared, in runs of many sectors at a time.
  ScanOptions options = scanOptions;
  options.retry = false;
  options.previous.clear();
  options.sectorsPerRead = std::max(options.sectorsPerRead, kCompareSectorsPerRead);
  options.compareWith = std::move(image);
  scanner->options = std::move(options);
  keeper = std::make_shared<ScanKeeper>(*context);
  if (scanner->Start(true, false, context))
    shownScan = &history.Begin(context->driveLetter, true, false, TimeValue::Now());
}

// The disc of a running scan is known already; another is looked at now.
void ScanPage::OnHistory() {
  if (context == nullptr || !context->hasMedium) return;
  DiscHistory kept;
  DiscScans scans;
  std::string error;
  const DiscIdentity* disc =
      keeper != nullptr && scanner->deviceContext == context ? keeper->Disc() : nullptr;
  const bool read = disc != nullptr ? kept.ScansOf(*disc, scans, error)
                                    : ScansOfDiscIn(*context, kept, scans, error);
  LogWarnings(kept.TakeWarnings());
  if (!read) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Scan History"),
                    QStringLiteral("The disc's scan history cannot be shown.\n") +
                        QString::fromStdString(error),
                    QMessageBox::Ok, window());
    box.exec();
    return;
  }
  HistoryDialog dialog(std::move(scans), context->driveLetter, context->GetSessionInfo(-1),
                       window());
  dialog.DoModal();
  if (dialog.RequestedSector() >= 0)
    emit showSectorRequested(kLastSession, dialog.RequestedSector());
}

void ScanPage::OnClear() {
  logList->clear();
  logs[shownDrive].clear();
  Item(Client(), kSaveId)->setEnabled(false);
  followLog = true;  // an empty list shows its end
}

// The log as shown, one line an entry; the name says whose disc and when.
void ScanPage::OnSaveLog() {
  const std::vector<ScanLogEntry>& log = logs[shownDrive];
  if (log.empty()) return;
  SaveDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  const std::u16string stem =
      context != nullptr ? ReportFileStem(*context, TimeValue::Now()) : u"log";
  PrepareSaveDialog(dialog, ToQString(stem) + QStringLiteral("-log.txt"));
  const QString path = runSaveDialog(dialog);
  if (path.isEmpty()) return;
  if (SaveFileOrShowError(this, path, LogFileText(log), fileWriter)) MarkSaved(shownDrive);
}

// --- Reports -------------------------------------------------------------------------------

void ScanPage::EnableChoices(bool enabled) {
  surfaceScan->setEnabled(enabled);
  filesTest->setEnabled(enabled);
  copyToImage->setEnabled(enabled);
  advanced->setEnabled(enabled);
  compare->setEnabled(enabled && context != nullptr && context->hasMedium);
}

void ScanPage::OnScanStarted() {
  details->setEnabled(scanner->surfaceScan || scanner->copyToImage);
  SurfaceDetailsDialog::lastSectorsPerBlock = -1;
  startStop->setText(QStringLiteral("Stop"));
  startStop->setEnabled(true);
  EnableChoices(false);
}

// Details keeps its state: the map of a finished surface scan stays reachable.
// The record takes the table as it is at the end of each pass; the end of a
// pass (not of the run) adds its entry to the log.
void ScanPage::OnScanFinished() {
  ShowReports();  // the end shows at once
  if (shownScan != nullptr) {
    shownScan->end = TimeValue::Now();
    shownScan->ended = !scanner->IsRunning();
    shownScan->EndPass(scanner->pass, scanner->progress, scanner->passMicroseconds);
    shownScan->verify = scanner->verify;
    {
      const std::lock_guard lock(scanner->stateLock);
      shownScan->sectors = scanner->surfaceState.sectors;
      shownScan->speedCurve = scanner->speedCurve;
    }
    if (scanner->pass == ScanPass::SurfaceScan) shownScan->extent = scanner->extent;
    // At the run's end, once the table is final.
    if (scanner->pass == ScanPass::None) KeepRun();
    if (scanner->pass == ScanPass::None && shownScan->surfaceScan) IndexDamage(*shownScan);
  }
  if (scanner->pass == ScanPass::None && scanner->copyToImage) {
    incompleteRefresh->stop();
    ShowOpenCopy();
  }
  if (scanner->pass != ScanPass::None)
    OnLogEntry(static_cast<int>(LogKind::Info), TimeValue::Now(), PassEndText(PassEndOf(*scanner)),
               kNoSector);
  startStop->setText(QStringLiteral("Start"));
  EnableStart();
  EnableChoices(true);
  // The end shows at once: no paced scroll is due after the last entry.
  if (followLog) {
    logFollow->stop();
    logList->scrollToBottom();
  }
  if (!scanner->IsRunning()) emit runEnded();
}

void ScanPage::KeepRun() {
  if (keeper == nullptr) return;
  DiscHistory kept;
  LogWarnings(keeper->Keep(kept, *shownScan, scanner->options));
  historyFile = std::make_unique<InputFile>(kept.Path(), "the scan history");
}

// A warning a sentence of the log.
void ScanPage::LogWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) {
    QString text = QString::fromStdString(warning);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    OnLogEntry(static_cast<int>(LogKind::Info), TimeValue::Now(), text.toStdU16String(), kNoSector);
  }
}

// The index lands only in the record it was built for: a new scan of the
// drive meanwhile has replaced it. Its files go to the run's history.
void ScanPage::IndexDamage(const ScanRecord& scan) {
  const std::uint16_t letter = scan.driveLetter;
  // A copy's index is of what it still lacks, numbered from its table's start.
  wrenlo::SessionInfo session = scan.extent.AsSessionInfo();
  if (scan.copyToImage && scanner->copyJob != nullptr) {
    session = scanner->deviceContext->GetSessionInfo(-1);
    session.startSector = static_cast<std::int32_t>(scanner->copyJob->Plan().TableStart());
  }
  // Builds may end out of order (a copy's, made every few seconds): only a
  // later one of the drive's replaces what an earlier one gave.
  const std::uint64_t request = ++damageRequests;
  indexJobs.Start(
      letter, session, scan.copyToImage ? MissingSectors(scan.sectors) : scan.sectors,
      [this, letter, request, number = scan.number,
       runKeeper = keeper](std::shared_ptr<const DamageIndex> index) {
        if (runKeeper != nullptr && index != nullptr) {
          DiscHistory kept;
          LogWarnings(runKeeper->KeepDamage(kept, *index));
        }
        ScanRecord* record = history.Last(letter);
        if (record == nullptr || record->number != number || request < damageShown[letter]) return;
        damageShown[letter] = request;
        record->damage = index;
        if (detailsDialog != nullptr && record == shownScan) detailsDialog->SetDamageIndex(index);
        // A comparison names the files that differ once it knows them.
        const std::u16string differ = index != nullptr && record->verify.compare.ran
                                          ? FilesDifferText(*index)
                                          : std::u16string();
        if (!differ.empty() && record == shownScan)
          OnLogEntry(static_cast<int>(LogKind::Error), TimeValue::Now(), differ, kNoSector);
        emit damageIndexReady(letter);
      });
}

// The bar follows at once (a number); the texts, shares, map and curve once
// a frame, from the last report: a fast scan makes thousands in one.
void ScanPage::OnProgress(const ProgressCtx_t& progress) {
  if (shownScan != nullptr) shownScan->progress = progress;
  SetProgressPosition(ProgressPosition(progress));
  shownPass = scanner->pass;
  shownProgress = progress;
  ShowReportsSoon();
}

// A progress bar paints itself at once when its value changes visibly; in a
// report that would hold the worker up, so its updates are held back while
// the value changes and it is painted with the window's next pass instead.
void ScanPage::SetProgressPosition(int position) {
  if (position == progressBar->value()) return;
  progressBar->setUpdatesEnabled(false);
  progressBar->setValue(position);
  progressBar->setUpdatesEnabled(true);  // asks for the repaint
}

void ScanPage::SetIndicatorPercent(const ShareCounts& counts) {
  const std::int64_t checked = counts.Checked();
  goodLabel.SetText(ToQString(ShareText(counts.good, checked)));
  problemLabel.SetText(ToQString(ShareText(counts.problem, checked)));
  errorLabel.SetText(ToQString(ShareText(counts.error, checked)));
}

// The map and the curve read the scanner's records themselves.
void ScanPage::OnSurfaceState(const SurfaceState_t&) { ShowReportsSoon(); }

void ScanPage::ShowReportsSoon() {
  reportsToShow = true;
  if (!frameRefresh->isActive()) frameRefresh->start();
}

void ScanPage::ShowReports() {
  frameRefresh->stop();
  if (!reportsToShow) return;
  reportsToShow = false;
  SetIndicatorPercent(ShareCountsOf(shownProgress));
  statusText->SetText(std::u16string_view(shownProgress.text));
  // In the unit of the scanned medium's base speed.
  const double base = BaseSpeed(context != nullptr ? context->medium.typeName.str() : u"");
  speedText->SetText(std::u16string_view(SpeedText(shownProgress.recentSpeed, base)));
  if (detailsDialog == nullptr) return;
  SurfaceInfoControl& map = detailsDialog->GetSurfaceMap();
  map.SetCurrentSector(shownProgress.current);
  map.RefreshBlocks();
  detailsDialog->GetSpeedCurve().Refresh();
}

// A row at the end; every kind looks the same. A list that follows its end
// scrolls to the new rows shortly after.
void ScanPage::OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                          std::int64_t sector) {
  const ScanLogEntry entry{static_cast<LogKind>(kind), time, text, sector};
  if (shownScan != nullptr) shownScan->log.push_back(entry);
  // A scan runs on the drive shown: its entries are that drive's.
  logs[shownDrive].push_back(entry);
  Item(Client(), kSaveId)->setEnabled(true);
  AddLogRow(entry);
  if (followLog && !logFollow->isActive()) logFollow->start();
}

void ScanPage::AddLogRow(const ScanLogEntry& entry) {
  auto* row = new QTreeWidgetItem({ToQString(LogTimeText(entry.time)), ToQString(entry.text),
                                   ToQString(LogSectorText(entry.sector))});
  row->setTextAlignment(kSectorColumn, Qt::AlignRight | Qt::AlignVCenter);
  logList->addTopLevelItem(row);
}

// --- Layout ----------------------------------------------------------------------------------

void ScanPage::OnSize() { LayoutControls(); }

// Places every control in client pixels: the status, progress, speed and
// indicators in a band of 100 pixels at the top, the three choices and the
// buttons in a band of 93 at the bottom, and the log between them.
void ScanPage::LayoutControls() {
  const QRect client = ClientRect();
  const int left = 0, top = 0, right = client.width(), bottom = client.height();
  QWidget* page = Client();
  int logTop = top, logBottom = bottom;

  // The controls are bound once the window is initialised; a size change
  // before that has nothing to place.
  if (statusText != nullptr) {
    MoveCaption(Item(page, kStatusLabelId), left, top, 36, 18);
    MoveWindow(statusText, left + 42, top, right - left - 42, 18);
    MoveWindow(progressBar, left, top + 19, right - 80 - left, 20);
    MoveWindow(details, right - 74, top + 18, 74, 22);
    auto* speedLabel = Item<QLabel>(page, kSpeedLabelId);
    MoveCaption(speedLabel, left, top + 44, 76, 18);
    // At least a space between the caption's text and the speed.
    const QFontMetrics caption = speedLabel->fontMetrics();
    const int speedLeft = std::max(82, caption.horizontalAdvance(speedLabel->text() + u' '));
    MoveWindow(speedText, left + speedLeft, top + 44, 140, 18);
    MoveCaption(Item(page, kErrorLabelId), right - 60, top + 54, 60, 17);
    MoveWindow(&errorLabel, right - 60, top + 71, 56, 20);
    MoveCaption(Item(page, kProblemLabelId), right - 130, top + 54, 60, 18);
    MoveWindow(&problemLabel, right - 130, top + 71, 56, 20);
    MoveCaption(Item(page, kGoodLabelId), right - 200, top + 54, 60, 18);
    MoveWindow(&goodLabel, right - 200, top + 71, 56, 20);
    MoveCaption(Item(page, kLogLabelId), left, top + 82, 80, 18);
    logTop = top + 100;
  }
  if (surfaceScan != nullptr) {
    MoveWindow(surfaceScan, left, bottom - 86, 120, 18);
    MoveWindow(filesTest, left, bottom - 68, 120, 18);
    MoveWindow(copyToImage, left, bottom - 50, 120, 18);
    MoveWindow(Item(page, kSaveId), right - 80, bottom - 86, 80, 23);
    MoveWindow(Item(page, kClearId), right - 166, bottom - 86, 80, 23);
    MoveWindow(startStop, left, bottom - 23, 80, 23);
    MoveWindow(advanced, left + 86, bottom - 23, 80, 23);
    MoveWindow(historyButton, left + 172, bottom - 23, 80, 23);
    MoveWindow(compare, left + 258, bottom - 23,
               std::max(140, compare->fontMetrics().horizontalAdvance(compare->text()) + 16), 23);
    // As wide as its text needs in the desktop's font.
    const int openWidth = std::max(100, openCopy->sizeHint().width());
    MoveWindow(openCopy, right - openWidth, bottom - 23, openWidth, 23);
    logBottom = bottom - 93;
  }
  if (logList != nullptr) {
    MoveWindow(logList, left, logTop, right - left, logBottom - logTop);
    // "Time" gets 120 pixels, or what a time needs in a wider font;
    // "Sector" what a nine-digit number needs; "Description" the rest but 10
    // pixels and the width of a scroll bar.
    const int timeWidth = std::max(120, TextCellWidth(logList, kTimeSample));
    const int sectorWidth = TextCellWidth(logList, kSectorSample);
    logList->setColumnWidth(0, timeWidth);
    logList->setColumnWidth(kSectorColumn, sectorWidth);
    logList->setColumnWidth(1, right - left - 10 - timeWidth - sectorWidth -
                                   logList->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  }
}
