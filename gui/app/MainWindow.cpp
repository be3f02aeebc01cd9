#include "gui/app/MainWindow.h"

#include <wrenlo/wrenlo.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QUrl>

#include "core/disc/ImageDrives.h"
#include "core/extract/ExtractableSession.h"
#include "core/format/HexDump.h"
#include "core/history/DiscHistory.h"
#include "core/history/ScanKeeper.h"
#include "core/product/ProductInfo.h"
#include "core/report/DiscReport.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/RecentImagesMenu.h"
#include "gui/controls/BinaryViewer.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/Menu.h"
#include "gui/platform/MoveWindow.h"
#include "gui/platform/ProgramSettings.h"
#include "gui/platform/Resources.h"
#include "gui/platform/SaveFileDialog.h"
#include "gui/platform/TabCtrl.h"
#include "gui/platform/ToolBarCtrl.h"

namespace {

constexpr int kIconResource = 128;
constexpr int kRescanIcon = 135;
constexpr int kOpenTrayIcon = 133;
constexpr int kSaveReportIcon = 134;

const DialogTemplate kTemplate102 = {
    102,
    {315, 306},
    kProductName,
    kResizable,
    {
        {MainWindow::kCloseId, ControlKind::PushButton, "Close", kTabStop, {258, 285, 50, 14}},
        {MainWindow::kDeviceLabelId, ControlKind::Static, "Device:", kRightAligned, {7, 8, 25, 8}},
        {MainWindow::kDeviceComboId,
         ControlKind::ComboBox,
         "",
         kTabStop,
         {33, 7, 181, 12},
         &MakeControl<DeviceCombo>},
        {MainWindow::kTabsId, ControlKind::TabControl, "", 0, {7, 26, 301, 248}},
        {MainWindow::kAboutLinkId,
         ControlKind::SysLink,
         "<a>About Corvane Lumeter</a>",
         kTabStop,
         {7, 276, 154, 14}},
    },
};

// '&' marks each item's access key.
const MenuTemplate kMenu128 = {
    {"&General",
     {
         {"Open &Image...", MainWindow::kOpenImage},
         {"Close I&mage", MainWindow::kCloseImage},
         {nullptr, 0},
         {"&Open Tray", MainWindow::kOpenTray},
         {"&Close Tray", MainWindow::kCloseTray},
         {"&Save Report", MainWindow::kSaveReport},
         {"&Extract Files...", MainWindow::kExtractFiles},
         {nullptr, 0},
         {"&Rescan Devices", MainWindow::kRescanDevices},
         {nullptr, 0},
         {"As&k to Save a Report on Exit", MainWindow::kAskToSaveReport},
         {nullptr, 0},
         {"E&xit", MainWindow::kExit},
     }},
    {"&Info",
     {
         {"Corvane &Website", MainWindow::kWebsite},
         {"&Support", MainWindow::kSupport},
         {nullptr, 0},
         {"&About", MainWindow::kAbout},
     }},
};

const char kStopScanQuestion[] = "A scan is running. Stop it?";
const char kSaveReportQuestion[] = "Save a report of the last scan?";

// Whether ending the program offers to save a report of a scan nobody kept.
const QString kAskToSaveReportSetting = QStringLiteral("window/askToSaveReport");

bool AskToSaveReport() { return ProgramSettings().value(kAskToSaveReportSetting, true).toBool(); }

void SetAskToSaveReport(bool ask) { ProgramSettings().setValue(kAskToSaveReportSetting, ask); }

const char kImageFilter[] = "Disc images (*.iso *.img *.udf *.cue *.bin);;All files (*)";

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : Dialog(&kTemplate102, parent),
      icon(LoadIcon(kIconResource)),
      menu(new MenuBar(kMenu128, this)),
      toolbarImages(16, 16, 4) {
  menu->hide();
  AddImageCommands();
  setAcceptDrops(true);
}

// "Recent Images" below "Open Image...", and Ctrl+O, which works with the
// menu closed.
void MainWindow::AddImageCommands() {
  QAction* open = menu->Command(kOpenImage);
  auto* general = qobject_cast<QMenu*>(open->parent());
  recentImages = new RecentImagesMenu(general);
  general->insertMenu(menu->Command(kCloseImage), recentImages);
  connect(recentImages, &RecentImagesMenu::chosen, this,
          [this](const QString& path) { OpenImageFiles({path}); });
  connect(general, &QMenu::aboutToShow, this, &MainWindow::EnableImageCommands);
  connect(general, &QMenu::aboutToShow, this, &MainWindow::EnableExtractFiles);
  open->setShortcut(QKeySequence::Open);
  addAction(open);
  QAction* ask = menu->Command(kAskToSaveReport);
  ask->setCheckable(true);
  ask->setChecked(AskToSaveReport());
}

// "Close Image" for an image drive only; "Recent Images" with images only.
void MainWindow::EnableImageCommands() {
  recentImages->Fill();
  const bool image = context != nullptr && context->driveLetter != 0 && context->IsVirtualDrive();
  menu->Command(kCloseImage)->setEnabled(image);
}

bool MainWindow::OnInitDialog() {
  SetMenu(menu);
  deviceCombo = Item<DeviceCombo>(Client(), kDeviceComboId);
  QStringList notOpened;
  const std::uint16_t firstImage = OpenImagesAsDrives(startImages, notOpened);
  // Said once the window shows.
  if (!notOpened.isEmpty())
    QMetaObject::invokeMethod(
        this, [this, notOpened] { SayNotOpened(notOpened); }, Qt::QueuedConnection);
  deviceCombo->FillDevices();
  deviceCombo->SelectDrive(firstImage);
  CreateToolbar();
  tabs = Item<TabCtrl>(Client(), kTabsId);
  AddPage(featuresPage);
  AddPage(mediaPage);
  AddPage(scanPage);
  AddPage(sectorPage);
  sectorPage.SetScanHistory(&scanPage.History());
  setWindowIcon(icon);
  setMinimumSize(500, 500);
  ConnectMessages();
  LayoutControls();
  FitSectorViewer();
  ShowCurrentPage();
  OnDeviceChanged();
  if (watchMedia) WatchMedia();
  return true;
}

void MainWindow::SetStartImages(const QStringList& images) { startImages = images; }

// The watcher asks whether the drive is busy on its own thread; the scanner
// lives as long as the scan page, which outlives the watcher.
void MainWindow::WatchMedia() {
  watchMedia = true;
  if (mediaWatcher != nullptr || context == nullptr) return;
  const SectorScanner* scanner = scanPage.Scanner();
  mediaWatcher = std::make_unique<MediaWatcher>(
      context->driveLetter, [scanner] { return scanner != nullptr && scanner->IsRunning(); },
      [this](const DriveEvent& event) {
        QMetaObject::invokeMethod(
            this, [this, event] { OnDriveEvent(event); }, Qt::QueuedConnection);
      });
}

// Widens the window, when the desktop's fixed-pitch font needs it, so that the
// Sector Viewer shows each dump line whole. The viewer spans the page's whole
// width, which is already set while the viewer's own size is not yet.
void MainWindow::FitSectorViewer() {
  const auto* viewer = Item<BinaryViewer>(sectorPage.Client(), SectorInfoPage::kViewerId);
  if (viewer == nullptr) return;
  const int lineCharacters = static_cast<int>(kHexDumpLineLength) - 2;  // without CR LF
  const int missing = viewer->WidthForLine(lineCharacters) - sectorPage.width();
  if (missing > 0) resize(width() + missing, height());
}

// The window's message table: every notification it handles, in one place.
void MainWindow::ConnectMessages() {
  connect(tabs, &TabCtrl::selChange, this, &MainWindow::ShowCurrentPage);
  connect(deviceCombo, &DeviceCombo::activated, this, &MainWindow::OnDeviceChosen);
  auto* link = Item<LinkCtrl>(Client(), kAboutLinkId);
  connect(link, &LinkCtrl::clicked, this, &MainWindow::OnAbout);
  connect(link, &LinkCtrl::returnPressed, this, &MainWindow::OnAbout);
  connect(Item<QPushButton>(Client(), kCloseId), &QPushButton::clicked, this,
          [this] { EndProgram(kIdCancel); });
  connect(menu, &MenuBar::command, this, &MainWindow::OnCommand);
  // The toolbar's tray button opens and closes the tray in turn.
  connect(toolbar, &ToolBarCtrl::command, this,
          [this](int command) { command == kOpenTray ? OnToggleTray() : OnCommand(command); });
  // The details dialog's way to a sector, and the Sector Viewer's naming of
  // what holds it once a scan's index is built.
  connect(&scanPage, &ScanPage::showSectorRequested, this, &MainWindow::ShowSector);
  connect(&scanPage, &ScanPage::openImageRequested, this,
          [this](const QString& path) { OpenImageFiles({path}); });
  connect(&scanPage, &ScanPage::damageIndexReady, &sectorPage, &SectorInfoPage::UpdateHolder);
  connect(new QShortcut(QKeySequence::NextChild, this), &QShortcut::activated, this,
          [this] { ShowNextPage(1); });
  connect(new QShortcut(QKeySequence::PreviousChild, this), &QShortcut::activated, this,
          [this] { ShowNextPage(-1); });
}

void MainWindow::OnCommand(int commandId) {
  switch (commandId) {
    case kRescanDevices:
      return OnRescanDevices();
    case kOpenTray:
      return OnOpenTray();
    case kCloseTray:
      return OnCloseTray();
    case kSaveReport:
      return OnSaveReport();
    case kExtractFiles:
      return OnExtractFiles();
    case kWebsite:
      return OnWebsite();
    case kSupport:
      return OnSupport();
    case kAbout:
      return OnAbout();
    case kExit:
      return OnExit();
    case kOpenImage:
      return OnOpenImage();
    case kCloseImage:
      return OnCloseImage();
    case kAskToSaveReport:
      return SetAskToSaveReport(menu->Command(kAskToSaveReport)->isChecked());
    default:
      return;
  }
}

void MainWindow::CreateToolbar() {
  AppendIcon(toolbarImages, kRescanIcon);
  AppendIcon(toolbarImages, kOpenTrayIcon);
  AppendIcon(toolbarImages, kSaveReportIcon);
  toolbar = new ToolBarCtrl(Client());
  toolbar->SetImageList(&toolbarImages);
  toolbar->AddButton(0, kRescanDevices, QStringLiteral("Rescan Devices"));
  toolbar->AddButton(1, kOpenTray, QStringLiteral("Open Tray"));
  toolbar->AddSeparator();
  toolbar->AddButton(2, kSaveReport, QStringLiteral("Save Report"));
  toolbar->setGeometry(0, 0, 0, 0);
  toolbar->show();
}

void MainWindow::AddPage(BasePage& page) {
  const int index = tabs->InsertItem(tabs->GetItemCount(), page.GetTitle());
  pages[index] = &page;
  page.CreatePage(tabs);
}

BasePage* MainWindow::Page(int index) const {
  const auto found = pages.find(index);
  return found == pages.end() ? nullptr : found->second;
}

void MainWindow::OnSize() { LayoutControls(); }

// Places every control in client pixels: the drive row at the top, the link
// and Close at the bottom, the tab control between them and every page inside
// the tab control's display area. Edges are as on the original platform: right
// and bottom are one past the last pixel.
void MainWindow::LayoutControls() {
  const QRect client = ClientRect();
  int left = 9, top = 9, right = client.width() - 8, bottom = client.height() - 8;
  if (deviceCombo != nullptr) {
    if (QWidget* label = Item(Client(), kDeviceLabelId)) MoveWindow(label, left, top + 2, 44, 20);
    if (toolbar != nullptr) MoveWindow(toolbar, right - 100, top, 100, 22);
    MoveWindow(deviceCombo, left + 49, top, (right - 105) - (left + 49), 122);
    top += 34;
  }
  if (QWidget* close = Item(Client(), kCloseId)) {
    if (QWidget* link = Item(Client(), kAboutLinkId)) MoveWindow(link, left, bottom - 20, 180, 18);
    MoveWindow(close, right - 80, bottom - 24, 80, 24);
    bottom -= 31;
  }
  if (tabs != nullptr) {
    MoveWindow(tabs, left, top, right - left, bottom - top);
    const QRect display = tabs->AdjustRect(false, tabs->rect()).adjusted(7, 10, -7, -7);
    for (int i = 0; i < tabs->GetItemCount(); ++i)
      if (BasePage* page = Page(i)) page->setGeometry(display);
  }
}

void MainWindow::ShowSector(std::int32_t session, std::int32_t sector) {
  for (const auto& [index, page] : pages)
    if (page == &sectorPage) tabs->Bar()->setCurrentIndex(index);
  sectorPage.ShowSector(session, sector);
}

void MainWindow::ShowCurrentPage() {
  for (int i = 0; i < tabs->GetItemCount(); ++i)
    if (BasePage* page = Page(i)) page->setVisible(i == tabs->GetCurSel());
}

// The tab step places after (1) or before (-1) the current one, round the
// ends.
void MainWindow::ShowNextPage(int step) {
  const int count = tabs->GetItemCount();
  if (count == 0) return;
  tabs->Bar()->setCurrentIndex((tabs->GetCurSel() + step + count) % count);
}

bool MainWindow::ConfirmStopScan() {
  SectorScanner* scanner = scanPage.Scanner();
  if (scanner == nullptr || !scanner->IsRunning()) return true;
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProductName),
                  QString::fromUtf8(kStopScanQuestion), QMessageBox::NoButton, this);
  QPushButton* stop = box.addButton(QStringLiteral("Stop"), QMessageBox::AcceptRole);
  QPushButton* goOn = box.addButton(QStringLiteral("Continue scanning"), QMessageBox::RejectRole);
  box.setDefaultButton(goOn);
  box.setEscapeButton(goOn);
  // A scan that ends while the question is up leaves nothing to ask about:
  // the box goes.
  bool ended = false;
  connect(&scanPage, &ScanPage::runEnded, &box, [&] {
    ended = true;
    box.reject();
  });
  box.exec();
  // Nothing is done without an answer: a scan that ended meanwhile leaves
  // its results, and the user may choose again.
  if (ended || box.clickedButton() != stop) return false;
  // The scan's last reports reach the page before the caller goes on.
  scanner->StopAndWait();
  return true;
}

// A drive chosen in the list, even the one already shown. Going on with the
// scan puts the list back on the scanned drive.
void MainWindow::OnDeviceChosen() {
  if (ConfirmStopScan()) return OnDeviceChanged();
  deviceCombo->SelectDrive(context->driveLetter);
}

void MainWindow::OnDeviceChanged() {
  const std::uint16_t letter = deviceCombo != nullptr ? deviceCombo->SelectedDrive() : 0;
  auto fresh = std::make_unique<DeviceContext>(letter);
  if (context != nullptr)
    for (const auto& [index, page] : pages)
      if (page->context == context.get()) page->ReleaseContext();
  // The previous context goes only now, after the new drive has been loaded.
  context = std::move(fresh);
  if (mediaWatcher != nullptr) mediaWatcher->SetDrive(context->driveLetter);
  EnableDriveCommands();
  EnableExtractFiles();
  for (int i = 0; i < tabs->GetItemCount(); ++i) {
    BasePage* page = Page(i);
    if (page == nullptr || page->context == context.get()) continue;
    page->context = context.get();
    page->UpdateContent();
  }
}

void MainWindow::OnRescanDevices() {
  if (!ConfirmStopScan()) return;
  deviceCombo->FillDevices();
  OnDeviceChanged();
}

// The tray commands act on the current device, the drive of the current
// context. The context is not rebuilt here: the pages keep what they showed
// until the media watcher, when it runs, sees the medium go or come.
void MainWindow::OnOpenTray() {
  if (!ConfirmStopScan()) return;
  wrenlo::EjectDevice(wrenlo::kCurrentDevice);
  traysOpened.insert(context->driveLetter);
  EnableDriveCommands();
}

void MainWindow::OnCloseTray() {
  traysOpened.erase(context->driveLetter);
  wrenlo::CloseDevice(wrenlo::kCurrentDevice);
  EnableDriveCommands();
}

void MainWindow::OnToggleTray() {
  if (traysOpened.contains(context->driveLetter)) return OnCloseTray();
  OnOpenTray();
}

void MainWindow::EnableDriveCommands() {
  const bool drive = context != nullptr && context->driveLetter != 0;
  for (QAction* action :
       {menu->Command(kSaveReport), toolbar->Button(kSaveReport), menu->Command(kOpenTray),
        menu->Command(kCloseTray), toolbar->Button(kOpenTray)})
    action->setEnabled(drive);
  // The tray button says what it does next.
  const bool closes = drive && traysOpened.contains(context->driveLetter);
  toolbar->Button(kOpenTray)->setToolTip(closes ? QStringLiteral("Close Tray")
                                                : QStringLiteral("Open Tray"));
}

void MainWindow::OnOpenImage() {
  QFileDialog dialog(this, QStringLiteral("Open Image"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  PlainFileIconProvider icons;
  dialog.setIconProvider(&icons);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilter(QString::fromUtf8(kImageFilter));
  const QStringList recent = RecentImagesMenu::Images();
  if (!recent.isEmpty()) dialog.setDirectory(QFileInfo(recent.front()).absolutePath());
  if (dialog.exec() == QDialog::Accepted) OpenImageFiles(dialog.selectedFiles());
}

std::uint16_t MainWindow::OpenImagesAsDrives(const QStringList& images, QStringList& notOpened) {
  std::uint16_t first = 0;
  for (const QString& path : images) {
    const OpenedImage opened = OpenImage(QFile::encodeName(path).toStdString());
    if (opened.usable) {
      if (first == 0) first = opened.letter;
      RecentImagesMenu::Remember(path);
      continue;
    }
    // Said rather than listed as a drive that cannot be chosen, and without
    // keeping a letter.
    if (opened.letter != 0) {
      CloseImage(opened.letter);
      notOpened << QString::fromStdU16String(opened.problem);
    } else {
      notOpened << QFileInfo(path).fileName() + QStringLiteral(": ") +
                       QString::fromStdU16String(opened.problem);
    }
  }
  return first;
}

void MainWindow::OpenImageFiles(const QStringList& images) {
  QStringList notOpened;
  const std::uint16_t first = OpenImagesAsDrives(images, notOpened);
  if (first != 0) ShowDrive(first);
  if (!notOpened.isEmpty()) SayNotOpened(notOpened);
}

void MainWindow::SayNotOpened(const QStringList& notOpened) {
  const QString intro = notOpened.size() == 1
                            ? QStringLiteral("The image could not be opened:\n")
                            : QStringLiteral("These images could not be opened:\n");
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kProductName),
                  intro + notOpened.join('\n'), QMessageBox::Ok, this);
  box.exec();
}

void MainWindow::OnCloseImage() {
  EnableImageCommands();
  if (!menu->Command(kCloseImage)->isEnabled() || !ConfirmStopScan()) return;
  const std::uint16_t letter = context->driveLetter;
  if (!CloseImage(letter)) return;
  // Its letter may go to another image, which starts afresh.
  scanPage.ForgetDrive(letter);
  traysOpened.erase(letter);
  ShowDrive(0);
}

void MainWindow::ShowDrive(std::uint16_t letter) {
  const bool scanning = scanPage.Scanner() != nullptr && scanPage.Scanner()->IsRunning();
  if (scanning && letter != 0 && !ConfirmStopScan()) {
    deviceCombo->FillDevices();  // listed, the scanned drive still selected
    return;
  }
  deviceCombo->FillDevices();
  deviceCombo->SelectDrive(letter);
  OnDeviceChanged();
}

void MainWindow::OnDriveEvent(const DriveEvent& event) {
  if (scanPage.Scanner() != nullptr && scanPage.Scanner()->IsRunning()) return;
  if (event.change != DriveChange::DrivesChanged && event.letter != context->driveLetter) return;
  ShowDrive(0);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      return;
    }
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList images;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) images << url.toLocalFile();
  if (images.isEmpty()) return;
  event->acceptProposedAction();
  // After the drop has ended, since opening may ask questions.
  QMetaObject::invokeMethod(
      this, [this, images] { OpenImageFiles(images); }, Qt::QueuedConnection);
}

void MainWindow::OnSaveReport() { SaveReport(); }

// Asks the engine, so only when the drive is chosen and the menu opens: the
// tray commands, for one, leave the drive alone.
void MainWindow::EnableExtractFiles() {
  const bool drive = context != nullptr && context->driveLetter != 0;
  menu->Command(kExtractFiles)->setEnabled(drive && ExtractableTrack(*context).has_value());
}

// The last session, read as the scan page's options read sectors.
void MainWindow::OnExtractFiles() {
  const std::optional<std::int32_t> track =
      context != nullptr ? ExtractableTrack(*context) : std::nullopt;
  if (!track) return EnableExtractFiles();
  ExtractionRequest request;
  request.driveLetter = context->driveLetter;
  request.track = *track;
  request.reading = {scanPage.Options().sectorsPerRead, scanPage.Options().attempts};
  ExtractWithDialogs(this, request, runFolderDialog);
}

// A report of the current drive, its medium and the drive's last scan, as
// HTML or as JSON: the type chosen in the dialog, or the name's ending.
bool MainWindow::SaveReport() {
  if (context == nullptr || context->driveLetter == 0) return false;
  const QString html = QStringLiteral("HTML Report (*.html *.htm)");
  const QString json = QStringLiteral("JSON Report (*.json)");
  SaveDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({html, json});
  dialog.setDefaultSuffix(QStringLiteral("html"));
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, json](const QString& filter) {
    dialog.setDefaultSuffix(filter == json ? QStringLiteral("json") : QStringLiteral("html"));
  });
  const std::u16string stem = ReportFileStem(*context, TimeValue::Now());
  PrepareSaveDialog(dialog, QString::fromStdU16String(stem) + QStringLiteral("-report.html"));
  const QString path = runSaveDialog(dialog);
  if (path.isEmpty()) return false;
  const bool asJson = path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ||
                      (dialog.selectedNameFilter() == json &&
                       !path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) &&
                       !path.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive));
  // A scan still running is reported as it stands.
  const std::optional<ScanRecord> scan = scanPage.ScanToReport(context->driveLetter);
  DiscReport report = MakeDiscReport(*context, scan ? &*scan : nullptr);
  // The disc's kept scans; a history that cannot be read is left out.
  DiscHistory kept;
  DiscScans scans;
  std::string unread;
  if (context->hasMedium && ScansOfDiscIn(*context, kept, scans, unread))
    report.history = std::move(scans);
  if (!SaveFileOrShowError(this, path, asJson ? ReportJson(report) : ReportHtml(report),
                           fileWriter))
    return false;
  scanPage.MarkSaved(context->driveLetter);
  return true;
}

void MainWindow::OnWebsite() { OpenWebPage(kWebSite); }

void MainWindow::OnSupport() { OpenWebPage(kSupportPage); }

// Without a browser to open it, the address is shown for the user to copy.
void MainWindow::OpenWebPage(const char* address) {
  const QString url = QString::fromUtf8(address);
  if (QDesktopServices::openUrl(QUrl(url))) return;
  QMessageBox box(
      QMessageBox::Information, QString::fromUtf8(kProductName),
      QStringLiteral("The web page could not be opened in a browser. Its address:\n") + url,
      QMessageBox::Ok, this);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box.exec();
}

void MainWindow::OnAbout() {
  AboutDialog about(this);
  about.bitmap = LoadBitmap(AboutDialog::kPictureResource);
  about.DoModal();
}

void MainWindow::OnExit() { EndProgram(kIdClose); }

void MainWindow::EndProgram(int result) {
  if (ConfirmStopScan() && OfferReportOfLastScan()) EndDialog(result);
}

// The last scan's results would go with the program: asked whether to save
// its report first, unless the user said not to ask.
bool MainWindow::OfferReportOfLastScan() {
  if (!AskToSaveReport()) return true;
  const ScanRecord* scan = scanPage.UnsavedScan();
  if (scan == nullptr) return true;
  const std::uint16_t letter = scan->driveLetter;
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kProductName),
                  QString::fromUtf8(kSaveReportQuestion), QMessageBox::NoButton, this);
  box.setInformativeText(
      QStringLiteral("The scan of drive %1: (ended at %2) has been neither saved nor reported.")
          .arg(QChar(letter))
          .arg(QString::fromStdU16String(scan->end.Format("%H:%M:%S"))));
  QPushButton* save = box.addButton(QStringLiteral("Save Report..."), QMessageBox::AcceptRole);
  QPushButton* discard =
      box.addButton(QStringLiteral("Close without saving"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.setCheckBox(new QCheckBox(QStringLiteral("Do not ask again")));
  box.exec();
  if (box.clickedButton() == cancel || box.clickedButton() == nullptr) return false;
  if (box.checkBox()->isChecked()) {
    SetAskToSaveReport(false);
    menu->Command(kAskToSaveReport)->setChecked(false);
  }
  if (box.clickedButton() == discard) return true;
  // The report is the drive's: shown first when another drive is.
  if (context->driveLetter != letter) ShowDrive(letter);
  return context->driveLetter == letter && SaveReport();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (isVisible()) EndProgram(kIdCancel);
  event->setAccepted(!isVisible());
}
