// The third tab, "Scan": starts and stops a surface scan or a files test of
// the current medium and follows it with a status line, a progress bar, the
// read speed, the shares of good, problem and error reads and a time-stamped
// log. It opens the surface map ("Details...") and the scan options
// ("Advanced..."), and "Compare with Image..." runs a surface scan that
// compares each sector with the image the disc was written from. The page receives the scanner's
// reports on the window's thread, through the scanner's bridge.
//
// Beside the scanner's own entries the log gets one at the end of each pass
// (finished or stopped, the counts and the time taken), and it follows new
// rows unless the user has scrolled up. "Save" writes the entries it shows
// to a text file, and can be pressed only when there are some. Each indicator's tooltip gives the
// count behind its share. "Start" can be pressed only with a medium.
//
// Each drive keeps its own last scan (its figures, log and map) and its own
// log: the page shows those of the drive of its context, and a stopped or
// finished scan stays until that drive's next Start. Every scan is recorded
// in the page's history, which keeps the latest scan of each drive. When a surface scan
// ends or is stopped, the page has the files and structures on its sectors
// indexed on a thread of its own and keeps the index in the scan's record;
// the details dialog lists the damaged ones from it.
//
// A scan reads as the options of "Advanced..." say, kept in the program's
// settings, but for the session and the retry, which belong to the drive and
// medium they were chosen for; a retry reads only what the drive's last
// surface scan of the same sectors did not find Good, else what the disc's
// latest surface scan in the scan history did not, or everything when there
// was none; it serves one scan.
//
// Every run is kept in the scan history (ScanKeeper: the disc is told when
// the run starts), its damaged files once they are indexed; a history that
// cannot be written adds one entry to the log and changes nothing else.
// "History..." shows the kept scans of the disc in the drive.
//
// The third choice, "Copy to Image", copies the disc to an image in passes
// (CopyJob): Start asks for the image in the save dialog (the disc's label
// and .iso, or .cue for a CD with audio or Mode 2 tracks), asks "Resume the
// copy?" for an image that has its mapfile, and then shows the copy as a
// surface scan: Good copied at the first read, Problem copied by a later
// pass, Error not copied, Not Checked not read yet; the status names the
// pass. The options' read size, attempts (one read and the rest as retry
// passes), speed and range apply. While it runs, the details dialog lists
// the files still incomplete, anew after each pass and every few seconds.
// When it has ended, "Open as Drive" opens the copy as a drive.
//
// A scan reads the device context it was started on. Before the main window
// replaces that context (ReleaseContext) or destroys the page, the page stops
// the scan and waits for its worker to end; meanwhile it keeps running the
// worker's reports, so neither thread waits on the other in vain.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/disc/MediumIdentity.h"
#include "core/report/ScanProgressText.h"
#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/ScanRecord.h"
#include "core/scan/SectorScanner.h"
#include "gui/controls/IndicatorLabel.h"
#include "gui/pages/BasePage.h"
#include "gui/platform/SaveFileDialog.h"
#include "gui/scan/DamageIndexJobs.h"

class QProgressBar;
class InputFile;
class ScanKeeper;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeWidget;
class ScannerCallEvent;
class StaticText;
class SurfaceDetailsDialog;

class ScanPage : public BasePage, public ISectorScannerCallback {
  Q_OBJECT

 public:
  // Control ids of template 131.
  static constexpr int kProgressId = 1014;
  static constexpr int kLogId = 1015;
  static constexpr int kSurfaceScanId = 1016;
  static constexpr int kFilesTestId = 1017;
  static constexpr int kClearId = 1018;
  static constexpr int kSaveId = 1019;
  static constexpr int kStartStopId = 1020;
  static constexpr int kAdvancedId = 1021;
  static constexpr int kStatusLabelId = 1022;
  static constexpr int kStatusId = 1023;
  static constexpr int kSpeedLabelId = 1024;
  static constexpr int kSpeedId = 1025;
  static constexpr int kGoodLabelId = 1026;
  static constexpr int kProblemLabelId = 1027;
  static constexpr int kErrorLabelId = 1028;
  static constexpr int kLogLabelId = 1029;
  static constexpr int kDetailsId = 1040;
  static constexpr int kHistoryId = 1046;
  // Beside "History...": a surface scan that compares with an image.
  static constexpr int kCompareId = 1035;
  static constexpr int kCopyToImageId = 1090;
  static constexpr int kOpenCopyId = 1091;

  // Asks the user a question with Yes and No over parent; true for Yes.
  // Tests put their own in place.
  using QuestionRunner = std::function<bool(QWidget* parent, const QString& question)>;

  ScanPage();
  ~ScanPage() override;

  QString GetTitle() const override;
  void UpdateContent() override;
  void CreatePage(QWidget* parent) override;
  void ReleaseContext() override;

  // The scanner's reports, on the window's thread.
  void OnScanStarted() override;
  void OnScanFinished() override;
  void OnProgress(const ProgressCtx_t& progress) override;
  // Whether the texts and shares show the last report (they follow within a
  // frame).
  bool ReportsShown() const { return !reportsToShow; }
  void OnSurfaceState(const SurfaceState_t& state) override;
  void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                  std::int64_t sector) override;

  SectorScanner* Scanner() const { return scanner.get(); }
  // The options the next scan reads with, as "Advanced..." left them.
  const ScanOptions& Options() const { return scanOptions; }
  // The latest scan of each drive scanned since the program started.
  const ScanHistory& History() const { return history; }
  // The drive is gone (its image closed): its kept scan and log go with it.
  void ForgetDrive(std::uint16_t letter);
  // A report or the log of the drive's last scan was saved: once the scan
  // has ended, it is kept.
  void MarkSaved(std::uint16_t letter);
  // The scan begun last, when it has ended and neither its report nor its
  // log was saved since; else null.
  const ScanRecord* UnsavedScan() const;
  // The drive's last scan for a report: a copy of the kept one, or of a
  // running one as it stands (its table and counts so far); none when the
  // drive was not scanned.
  std::optional<ScanRecord> ScanToReport(std::uint16_t letter) const;
  // The details dialog while it is open, else null.
  SurfaceDetailsDialog* DetailsDialog() const { return detailsDialog; }
  const IndicatorLabel& GoodLabel() const { return goodLabel; }
  const IndicatorLabel& ProblemLabel() const { return problemLabel; }
  const IndicatorLabel& ErrorLabel() const { return errorLabel; }
  // Replace the modal run of the log's save dialog and the writing of its
  // file (tests choose a path, and a write that fails, this way).
  void SetSaveFileDialog(SaveDialogRunner run) { runSaveDialog = std::move(run); }
  // Replace the modal run of the folder dialog of the details' "Extract...".
  void SetFolderDialog(SaveDialogRunner run) { runFolderDialog = std::move(run); }
  void SetFileWriter(OutputFile::Writer writer) { fileWriter = writer; }
  void SetQuestionRunner(QuestionRunner run) { askQuestion = std::move(run); }
  // Replaces the modal run of "Compare with Image..."'s file dialog: the
  // chosen path, or empty for none (tests choose one this way).
  using OpenDialogRunner = std::function<QString(QFileDialog& dialog)>;
  void SetOpenFileDialog(OpenDialogRunner run) { runOpenDialog = std::move(run); }

 signals:
  // A run has ended (finished, stopped or cut short by the medium's removal)
  // and the page shows its end.
  void runEnded();
  // The user asked, in the details dialog, to see a sector of a session
  // (kLastSession: the last) of the drive in the Sector Viewer.
  void showSectorRequested(std::int32_t session, std::int32_t sector);
  // A scan's damage index has been built and kept in its record.
  void damageIndexReady(std::uint16_t driveLetter);
  // The user asked to open a finished copy (its image or cue sheet) as a
  // drive.
  void openImageRequested(const QString& path);

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  bool event(QEvent* event) override;
  // Answers a tooltip request of an indicator with its count.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpLogList();
  void CreateIndicators();
  void ConnectMessages();
  void LayoutControls();
  void SetProgressPosition(int position);
  // Shows the last reports (texts, shares, the details' map and curve)
  // within a frame, or at once.
  void ShowReportsSoon();
  void ShowReports();
  void SetIndicatorPercent(const ShareCounts& counts);
  void EnableChoices(bool enabled);
  void EnableStart();
  QString IndicatorToolTip(const QObject* indicator) const;
  void ClearFigures();
  // Shows the drive's kept scan (figures, log, Details), or none.
  void ShowDrive(std::uint16_t letter);
  void ShowOpenCopy();
  void FillLog();
  void AddLogRow(const ScanLogEntry& entry);
  void OnScannerCall(const ScannerCallEvent& call);
  void OnStartStop();
  // The choices of "Advanced..." that belong to one medium: the session
  // scanned and the retry. They hold while its drive shows it, and the
  // retry for the next surface scan only.
  struct MediumChoices {
    MediumIdentity medium;
    std::int32_t session = kLastSession;
    bool retry = false;
  };
  // Those chosen for the context's medium, else the defaults for it.
  MediumChoices ChoicesForMedium() const;
  // Start with "Copy to Image" chosen: the image asked for, the copy begun.
  void StartCopy();
  // The incomplete files of the running copy, indexed from its table now.
  void IndexIncompleteFiles();
  // The scan options for a scan of the context, with a retry's table.
  ScanOptions OptionsForScan() const;
  void OnDetails();
  // Lets the details dialog extract the damaged files it lists.
  void OfferExtraction(SurfaceDetailsDialog& dialog);
  void RequestSector(std::int32_t sector);
  void OnAdvanced();
  // "Compare with Image...": the image the disc was written from, then a
  // surface scan that compares every sector with it.
  void OnCompare();
  void OnClear();
  // "History...": the kept scans of the disc in the drive.
  void OnHistory();
  // Keeps the ended run in the scan history; what could not be kept goes to
  // the log.
  void KeepRun();
  void LogWarnings(const std::vector<std::string>& warnings);
  // Indexes the files and structures on the sectors of a surface scan that
  // has ended, off the window's thread, into its record.
  void IndexDamage(const ScanRecord& scan);
  // "Save": the log's entries as a text file.
  void OnSaveLog();

  std::unique_ptr<SectorScanner> scanner;
  // The history's look at the disc of the run last started; kept by its
  // damage index's build until that ends.
  std::shared_ptr<ScanKeeper> keeper;
  // The scan history's file, which no save may replace, once it is there.
  std::unique_ptr<InputFile> historyFile;
  // The options of every scan; the medium's own are mediumChoices.
  ScanOptions scanOptions;
  std::optional<MediumChoices> mediumChoices;
  ScanHistory history;
  // The record of the scan the page shows (running or ended); null when it
  // shows none.
  ScanRecord* shownScan = nullptr;
  // The drive the page shows (once a context has been given), its scan and
  // log; each drive keeps its own log until Clear.
  bool driveShown = false;
  std::uint16_t shownDrive = 0;
  std::map<std::uint16_t, std::vector<ScanLogEntry>> logs;
  // The table of an ended scan, for its map.
  ScanTable keptTable;
  SurfaceDetailsDialog* detailsDialog = nullptr;
  IndicatorLabel goodLabel;
  IndicatorLabel problemLabel;
  IndicatorLabel errorLabel;
  QProgressBar* progressBar = nullptr;
  QTreeWidget* logList = nullptr;
  SaveDialogRunner runSaveDialog = RunSaveDialogModal;
  SaveDialogRunner runFolderDialog = RunSaveDialogModal;
  QuestionRunner askQuestion;
  OpenDialogRunner runOpenDialog;
  OutputFile::Writer fileWriter = OutputFile::DefaultWriter();
  // Whether the log shows its end, and the pause before it scrolls to new rows.
  bool followLog = true;
  QTimer* logFollow = nullptr;
  // Reports still to show, within a frame of the first of them.
  QTimer* frameRefresh = nullptr;
  bool reportsToShow = false;
  // The controls the reports change, looked up once.
  StaticText* statusText = nullptr;
  StaticText* speedText = nullptr;
  QPushButton* startStop = nullptr;
  QPushButton* details = nullptr;
  QPushButton* advanced = nullptr;
  QPushButton* historyButton = nullptr;
  QPushButton* compare = nullptr;
  QRadioButton* surfaceScan = nullptr;
  QRadioButton* filesTest = nullptr;
  QRadioButton* copyToImage = nullptr;
  QPushButton* openCopy = nullptr;
  // While a copy runs: its incomplete files indexed anew every few seconds.
  QTimer* incompleteRefresh = nullptr;
  // Damage indexes asked for, and the latest one kept of each drive.
  std::uint64_t damageRequests = 0;
  std::map<std::uint16_t, std::uint64_t> damageShown;
  // The last progress report, behind the texts and shares shown.
  ScanPass shownPass = ScanPass::None;
  ProgressCtx_t shownProgress;
  // Declared last: ends its builds before the rest of the page goes.
  DamageIndexJobs indexJobs;
};
