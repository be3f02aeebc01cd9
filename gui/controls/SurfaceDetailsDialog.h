// "Surface Scan Details": the surface map of a scan's table, a legend of the
// four sector states (five when the scan compares with an image: "Differs"),
// the choice of how many sectors one cell
// stands for, a switch for following the scan position, and the read-speed
// curve in a band under the map. The scan goes on
// while it is open, and the scan page feeds the map with every report.
//
// Under the map, the damaged files and structures of the scan (path,
// problem sectors, error sectors, and differing sectors when comparing), listed once the scan page
// gives the scan's damage index; choosing one selects its first bad cell on the map. A double-click
// on a cell or a row, or "Show in Sector Viewer" on a cell, closes the dialog with that sector as
// RequestedSector. "Extract..." hands the damaged files selected in the
// list (files of the tree extraction reads; structures are no files) to the
// extraction the dialog was given; without one it is not shown.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/controls/SpeedCurveControl.h"
#include "gui/controls/SurfaceInfoControl.h"
#include "gui/platform/Dialog.h"

class DamageIndex;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
struct ScanTable;

class SurfaceDetailsDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kCloseId = 2;
  static constexpr int kBlockSizeListId = 1041;
  static constexpr int kAutoScrollId = 1042;
  static constexpr int kMapLabelId = 1043;
  static constexpr int kLegendLabelId = 1044;
  static constexpr int kBlockSizeLabelId = 1045;
  static constexpr int kDamagedLabelId = 1060;
  static constexpr int kDamagedListId = 1061;
  static constexpr int kExtractId = 1062;

  // Extracts the chosen files (their paths on the disc), with dialogs over
  // the given window.
  using ExtractFiles = std::function<void(std::vector<std::u16string> files, QWidget* over)>;

  // The block size chosen when the dialog last closed, for its next opening;
  // set back to -1 by the start of every scan. 0 or less stands for 1.
  static inline std::int32_t lastSectorsPerBlock = -1;

  // table: a running scanner's, or a kept scan's; it outlives the dialog.
  // comparing: the scan compares with an image (the "Differs" legend row and
  // column).
  SurfaceDetailsDialog(const ScanTable* table, bool comparing, QWidget* parent);
  // Keeps the map's block size in lastSectorsPerBlock when the window was
  // built.
  ~SurfaceDetailsDialog() override;

  SurfaceInfoControl& GetSurfaceMap() { return map; }
  SpeedCurveControl& GetSpeedCurve() { return curve; }
  // Where the legend box is painted.
  QRect LegendRect() const { return legendRect; }

  // A window title other than the template's, for a scan other than the
  // scanner's current one; set before the window is built.
  void SetCaption(QString text) { caption = std::move(text); }
  // The damage index of the map's scan, for the list and the map's
  // tooltips; null while there is none.
  void SetDamageIndex(std::shared_ptr<const DamageIndex> index);
  // The sector the user asked to see in the Sector Viewer; -1 for none.
  std::int32_t RequestedSector() const { return requestedSector; }
  // What "Extract..." does; set before the window is built.
  void SetExtractFiles(ExtractFiles extract) { extractFiles = std::move(extract); }

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  void OnPaint(QPainter& painter) override;

 private:
  void FillBlockSizeList();
  void LayoutControls();
  void PaintLegend(QPainter& painter);
  void OnBlockSizeChosen(int index);
  void SetUpDamagedList();
  void FillDamagedList();
  void ShowInSectorViewer(std::int32_t sector);
  // The disc paths of the files selected in the list.
  std::vector<std::u16string> SelectedFiles() const;
  void EnableExtract();

  SurfaceInfoControl map;
  SpeedCurveControl curve;
  QComboBox* blockSizeList = nullptr;
  QRect legendRect;
  QLabel* damagedLabel = nullptr;
  QTreeWidget* damagedList = nullptr;
  QPushButton* extractButton = nullptr;
  ExtractFiles extractFiles;
  // The scan compares with an image: the legend and the list show sectors
  // that differ.
  bool comparing = false;
  std::shared_ptr<const DamageIndex> damage;
  std::int32_t requestedSector = -1;
  QString caption;
};
