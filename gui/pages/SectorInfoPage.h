// The fourth tab: any sector of any session of the medium as a hex dump. The
// user picks a session and a sector number; the toolbar, the up-down arrows
// and the Up and Down keys step through the sectors; Save writes the sector's
// raw 2048 bytes to a file. Every sector is read on the UI thread, one at a
// time, through the device context.
//
// Beside the sector row a label names what holds the sector: each file with
// the byte of the file at which the sector starts, each file-system
// structure, or "free". It comes from the damage index of the drive's last
// surface scan when that scan covered the session shown, else from the
// session's layout, read on a thread of its own when the page is first shown
// on that session and kept until the next context.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gui/pages/BasePage.h"
#include "gui/platform/ImageList.h"
#include "gui/platform/SaveFileDialog.h"
#include "gui/scan/DamageIndexJobs.h"

class BinaryViewer;
class DamageIndex;
class QFileDialog;
class QLabel;
class QLineEdit;
class ScanHistory;
class SortedComboBox;
class ToolBarCtrl;

class SectorInfoPage : public BasePage {
  Q_OBJECT

 public:
  // Controls of template 130.
  static constexpr int kSectorEditId = 1030;
  static constexpr int kUpDownId = 1031;
  static constexpr int kViewerId = 1032;
  static constexpr int kSectorLabelId = 1033;
  static constexpr int kCountLabelId = 1034;
  static constexpr int kSessionListId = 1036;
  static constexpr int kSessionLabelId = 1037;
  static constexpr int kHolderLabelId = 1038;
  static constexpr int kToolbarId = 0;
  // Commands of the toolbar.
  static constexpr int kSave = 104;
  static constexpr int kFirstSector = 105;
  static constexpr int kPreviousSector = 106;
  static constexpr int kNextSector = 107;
  static constexpr int kLastSector = 108;

  using SaveFileDialog = SaveDialogRunner;

  SectorInfoPage();

  QString GetTitle() const override;
  void UpdateContent() override;
  void CreatePage(QWidget* parent) override;

  // Replaces the modal run of the save dialog (tests choose a path this way).
  void SetSaveFileDialog(SaveFileDialog run);

  // Where the page finds each drive's last scan; it outlives the page.
  void SetScanHistory(const ScanHistory* history) { scans = history; }
  // Selects session (negative: the last one) and shows its sector.
  void ShowSector(std::int32_t session, std::int32_t sector);
  // Names the holder of the sector shown again, from the newest index.
  void UpdateHolder();

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateToolbar();
  void ConnectMessages();
  void OnCommand(int commandId);
  void OnSessionChanged();
  void OnDeltaPos(int delta);

  void GoToSector(std::int32_t n);
  void CommitSectorEdit();
  void ShowCurrentSector();
  void SetSectorCount(std::int32_t count);
  void UpdateCountLabel();
  void UpdateSectorText();
  void UpdateToolbarButtons();
  void EnableControls(bool on);
  void FillSessionList();
  void SaveSector();
  void LayoutControls();
  // The index that names the holders of the session shown: the last scan's,
  // or the session's layout; null while that is being read.
  std::shared_ptr<const DamageIndex> HolderIndex();
  // Shows holder after the caption; empty clears the label.
  void SetHolderText(const QString& holder);

  bool HasMedium() const;
  // The number of the session's last sector, sectorCount - 1.
  std::int32_t LastSector() const;
  // The session number of the selected list item; -1 without selection.
  std::int32_t SelectedSession() const;

  ToolBarCtrl* toolbar = nullptr;
  ImageList toolbarImages;
  BinaryViewer* viewer = nullptr;
  SortedComboBox* sessionList = nullptr;
  QLineEdit* sectorEdit = nullptr;
  std::int32_t currentSector = 0;
  std::int32_t sectorCount = 0;
  std::int32_t currentSession = -1;
  // The bytes of the sector read last (2048 after any read).
  std::vector<std::uint8_t> sectorData;
  // Whether the last read succeeded, so that sectorData holds the sector
  // shown. Save is offered only then: after a failed read the buffer holds
  // whatever the read left, not the sector.
  bool sectorShown = false;
  SaveFileDialog runSaveDialog;
  QLabel* holderLabel = nullptr;
  QString holderText;  // the holder whole; the label may show it shortened
  const ScanHistory* scans = nullptr;
  // The layouts of the context's sessions, by session number; null while
  // one is being read. Results of an earlier context are dropped.
  std::map<std::int32_t, std::shared_ptr<const DamageIndex>> layouts;
  std::uint64_t contextsSeen = 0;
  DamageIndexJobs layoutJobs;
};
