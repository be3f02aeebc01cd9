// The program's one top-level window: the drive list and toolbar across the
// top, the tab pages, and the About link and Close button at the bottom. It
// owns the current device context: it builds a new one at start-up, on every
// drive selection and on "Rescan Devices", destroys the previous one, and
// hands the new one to every page.
//
// Enter and Escape while one of its own controls has the focus, the Close
// button and the close box all end the window, and with it the program.
//
// A running scan is never ended without asking: choosing a drive (even the
// same one), rescanning the drives, opening the tray and ending the window
// first ask whether to stop it, and do nothing when the user goes on
// scanning.
#pragma once

#include <QIcon>
#include <map>
#include <memory>

#include "core/disc/DeviceContext.h"
#include "gui/pages/DeviceFeaturesPage.h"
#include "gui/pages/MediaPage.h"
#include "gui/pages/ScanPage.h"
#include "gui/pages/SectorInfoPage.h"
#include "gui/platform/Dialog.h"
#include "gui/platform/ImageList.h"

class DeviceCombo;
class MenuBar;
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

  explicit MainWindow(QWidget* parent = nullptr);

  // Runs a menu or toolbar command.
  void OnCommand(int commandId);

  const DeviceContext* CurrentContext() const { return context.get(); }
  // The page of tab index; null for no such tab.
  BasePage* Page(int index) const;
  ToolBarCtrl* Toolbar() const { return toolbar; }
  MenuBar* Menu() const { return menu; }

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void ConnectMessages();
  void CreateToolbar();
  void AddPage(BasePage& page);
  void LayoutControls();
  void ShowCurrentPage();
  void ShowNextPage(int step);
  // Switches to the Sector Viewer at sector of the last session.
  void ShowSectorOfLastSession(std::int32_t sector);
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
  void OnWebsite();
  void OnSupport();
  void OnAbout();
  void OnExit();
  void OpenWebPage(const char* address);

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
};
