// The program's one top-level window: the drive list and toolbar across the
// top, the tab pages, and the About link and Close button at the bottom. It
// owns the current device context: it builds a new one at start-up, on every
// drive selection and on "Rescan Devices", destroys the previous one, and
// hands the new one to every page.
//
// Only the Close button, the close box and General > Exit end the window, and
// with it the program; Enter and Escape never do. When the last scan's
// results were neither saved nor reported, ending asks whether to save its
// report (General > "Ask to Save a Report on Exit" turns that off).
//
// A running scan is never ended without asking: choosing a drive (even the
// same one), rescanning the drives, opening the tray, closing the image and
// ending the window first ask whether to stop it, and do nothing when the
// user goes on scanning. A scan that ends while the question is up takes the
// question away, and nothing more happens.
//
// Disc images become drives while it runs: those given at start, those
// dropped on it, and those chosen with "Open Image..." or from "Recent
// Images"; the first one opened is selected. "Close Image" takes the
// selected image drive out of the list. When watching media, it notices a
// disc put into or taken out of the selected drive, and a drive plugged in
// or out, and then refreshes as "Rescan Devices" does, but never while a
// scan runs.
#pragma once

#include <QIcon>
#include <map>
#include <memory>
#include <set>

#include "core/disc/DeviceContext.h"
#include "core/disc/MediaWatcher.h"
#include "gui/extract/Extraction.h"
#include "gui/pages/DeviceFeaturesPage.h"
#include "gui/pages/MediaPage.h"
#include "gui/pages/ScanPage.h"
#include "gui/pages/SectorInfoPage.h"
#include "gui/platform/Dialog.h"
#include "gui/platform/ImageList.h"
#include "gui/platform/SaveFileDialog.h"

class DeviceCombo;
class MenuBar;
class RecentImagesMenu;
class TabCtrl;
class ToolBarCtrl;

class MainWindow : public Dialog {
  Q_OBJECT

 public:
  // Control ids of template 102.
  static constexpr int kCloseId = 2;
  static constexpr int kDeviceComboId = 1001;
  static constexpr int kTabsId = 1003;
  static constexpr int kDeviceLabelId = 1004;
  static constexpr int kAboutLinkId = 1046;

  // Command ids of the menu and the toolbar.
  static constexpr int kRescanDevices = 101;
  static constexpr int kOpenTray = 102;
  static constexpr int kSaveReport = 103;
  static constexpr int kSupport = 32778;
  static constexpr int kCloseTray = 32780;
  static constexpr int kWebsite = 32782;
  static constexpr int kAbout = 57664;
  static constexpr int kExit = 57665;
  static constexpr int kOpenImage = 32790;
  static constexpr int kCloseImage = 32791;
  static constexpr int kAskToSaveReport = 32792;
  static constexpr int kExtractFiles = 32793;

  explicit MainWindow(QWidget* parent = nullptr);

  // Runs a menu or toolbar command.
  void OnCommand(int commandId);

  // Before the window is made: images (file paths) to open as drives when it
  // is, after the drives already listed; the first usable one is selected.
  // Those that could not be opened are named in a message once it shows.
  void SetStartImages(const QStringList& images);
  // Opens images as drives and selects the first usable one (an image open
  // already selects its drive); says in a message box which could not be
  // opened, and why.
  void OpenImageFiles(const QStringList& images);
  // Starts watching the selected drive's medium and the machine's drives.
  void WatchMedia();

  const DeviceContext* CurrentContext() const { return context.get(); }
  // The page of tab index; null for no such tab.
  BasePage* Page(int index) const;
  ToolBarCtrl* Toolbar() const { return toolbar; }
  // Replace the modal run of Save Report's dialog and the writing of its file
  // (tests choose a path and a format, and a write that fails, this way).
  void SetSaveFileDialog(SaveDialogRunner run) { runSaveDialog = std::move(run); }
  void SetFileWriter(OutputFile::Writer writer) { fileWriter = writer; }
  // Replace the modal run of Extract Files' folder dialog.
  void SetFolderDialog(FolderDialogRunner run) { runFolderDialog = std::move(run); }
  MenuBar* Menu() const { return menu; }
  RecentImagesMenu* RecentImages() const { return recentImages; }

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  // Enter and Escape: the main window is no dialog to be ended by a key.
  void OnOK() override {}
  void OnCancel() override {}
  // The close box ends the program as the Close button does.
  void closeEvent(QCloseEvent* event) override;
  // Image files dragged over and dropped on the window.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ConnectMessages();
  void CreateToolbar();
  void AddPage(BasePage& page);
  void LayoutControls();
  void ShowCurrentPage();
  void ShowNextPage(int step);
  // Switches to the Sector Viewer at sector of session (negative: the last).
  void ShowSector(std::int32_t session, std::int32_t sector);
  void FitSectorViewer();
  // True when no scan runs, or when the user chose to stop it; it has then
  // ended.
  bool ConfirmStopScan();
  void OnDeviceChosen();
  void OnDeviceChanged();
  void OnRescanDevices();
  void OnOpenTray();
  void OnCloseTray();
  void OnSaveReport();
  // Extracts the files of the session the scan page tests into a folder.
  void OnExtractFiles();
  void OnWebsite();
  void OnSupport();
  void OnAbout();
  void OnExit();
  // Ends the program with result, after the question about a running scan
  // and the offer to save a report of the last scan.
  void EndProgram(int result);
  // True when the program may end: the user saved the last scan's report,
  // chose to close without it, or is not asked; false to stay.
  bool OfferReportOfLastScan();
  // Saves the report of the current drive; true when it was written.
  bool SaveReport();
  // Opens the tray of the current drive, or closes it when the program opened
  // it last and no medium is in.
  void OnToggleTray();
  // Save Report and the tray button follow the drive shown.
  void EnableDriveCommands();
  // Extract Files follows the file system of the medium in the drive shown.
  void EnableExtractFiles();
  void OpenWebPage(const char* address);
  void AddImageCommands();
  // Opens images as drives; adds "name: why" to notOpened for each that
  // could not be, which takes no letter. The letter of the first usable one,
  // or 0.
  std::uint16_t OpenImagesAsDrives(const QStringList& images, QStringList& notOpened);
  void SayNotOpened(const QStringList& notOpened);
  void EnableImageCommands();
  void OnOpenImage();
  void OnCloseImage();
  // Lists the drives anew and shows the drive with this letter (the first
  // when it is not listed, 0 keeps the selection), unless a scan goes on.
  void ShowDrive(std::uint16_t letter);
  // A change the media watcher saw, on the window's thread.
  void OnDriveEvent(const DriveEvent& event);

  QIcon icon;
  TabCtrl* tabs = nullptr;
  MenuBar* menu;
  std::map<int, BasePage*> pages;
  // Declared before the pages, so that the pages are destroyed first.
  std::unique_ptr<DeviceContext> context;
  // The pages, one line each, in the order of their tabs.
  DeviceFeaturesPage featuresPage;
  MediaPage mediaPage;
  ScanPage scanPage;
  SectorInfoPage sectorPage;
  ImageList toolbarImages;
  DeviceCombo* deviceCombo = nullptr;
  ToolBarCtrl* toolbar = nullptr;
  SaveDialogRunner runSaveDialog = RunSaveDialogModal;
  FolderDialogRunner runFolderDialog = RunSaveDialogModal;
  OutputFile::Writer fileWriter = OutputFile::DefaultWriter();
  RecentImagesMenu* recentImages = nullptr;
  QStringList startImages;
  bool watchMedia = false;
  // The drives whose tray the program opened last (the tray button closes it
  // again).
  std::set<std::uint16_t> traysOpened;
  // Last, so that it stops before anything it reports to goes.
  std::unique_ptr<MediaWatcher> mediaWatcher;
};
