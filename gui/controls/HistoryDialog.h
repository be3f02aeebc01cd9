// "Scan History": the kept scans of the disc in the drive, oldest first,
// each with its date, kind, drive, problem and error sectors and damaged
// files; a chart of the surface scans' problem and error sectors over time;
// and "Show Map..." (or a double-click on a surface scan), which opens that
// scan's surface map, drawn from its kept ranges, in the details dialog,
// with its read speed and, once indexed against the disc in the drive, the
// files on its sectors. Asking there to see a sector in the Sector Viewer
// closes this dialog with that sector as RequestedSector.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <memory>

#include "core/history/HistoryRecords.h"
#include "gui/platform/Dialog.h"
#include "gui/scan/DamageIndexJobs.h"

class HistoryChartControl;
class QPushButton;
class QTreeWidget;
class SurfaceDetailsDialog;

class HistoryDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kCloseId = 2;
  static constexpr int kDiscLabelId = 1070;
  static constexpr int kScanListId = 1071;
  static constexpr int kChartLabelId = 1072;
  static constexpr int kChartId = 1073;
  static constexpr int kShowMapId = 1074;

  // scans: the disc's; the disc is in drive driveLetter, whose last session
  // is session (its files name the map's sectors).
  HistoryDialog(DiscScans scans, std::uint16_t driveLetter, const wrenlo::SessionInfo& session,
                QWidget* parent);
  ~HistoryDialog() override;

  // The map dialog of an earlier scan while it is open, else null.
  SurfaceDetailsDialog* MapDialog() const { return mapDialog; }
  // The sector the user asked to see in the Sector Viewer; -1 for none.
  std::int32_t RequestedSector() const { return requestedSector; }

 protected:
  bool OnInitDialog() override;
  void OnSize() override;

 private:
  void FillList();
  void LayoutControls();
  void EnableShowMap();
  void ShowMap();

  DiscScans history;
  std::uint16_t driveLetter;
  wrenlo::SessionInfo session;
  QTreeWidget* list = nullptr;
  HistoryChartControl* chart = nullptr;
  QPushButton* showMap = nullptr;
  SurfaceDetailsDialog* mapDialog = nullptr;
  std::uint64_t mapsShown = 0;
  std::int32_t requestedSector = -1;
  // Declared last: ends its builds before the rest of the dialog goes.
  DamageIndexJobs indexJobs;
};
