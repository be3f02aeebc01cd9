// "Surface Scan Details": the surface map of the scan page's scanner, a
// legend of the four sector states, the choice of how many sectors one cell
// stands for, a switch for following the scan position, and the read-speed
// curve in a band under the map. The scan goes on
// while it is open, and the scan page feeds the map with every report.
#pragma once

#include <QRect>
#include <cstdint>

#include "gui/controls/SpeedCurveControl.h"
#include "gui/controls/SurfaceInfoControl.h"
#include "gui/platform/Dialog.h"

class QComboBox;
class SectorScanner;

class SurfaceDetailsDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kCloseId = 2;
  static constexpr int kBlockSizeListId = 1041;
  static constexpr int kAutoScrollId = 1042;
  static constexpr int kMapLabelId = 1043;
  static constexpr int kLegendLabelId = 1044;
  static constexpr int kBlockSizeLabelId = 1045;

  // The block size chosen when the dialog last closed, for its next opening;
  // set back to -1 by the start of every scan. 0 or less stands for 1.
  static inline std::int32_t lastSectorsPerBlock = -1;

  SurfaceDetailsDialog(const SectorScanner* scanner, QWidget* parent);
  // Keeps the map's block size in lastSectorsPerBlock when the window was
  // built.
  ~SurfaceDetailsDialog() override;

  SurfaceInfoControl& GetSurfaceMap() { return map; }
  SpeedCurveControl& GetSpeedCurve() { return curve; }
  // Where the legend box is painted.
  QRect LegendRect() const { return legendRect; }

 protected:
  bool OnInitDialog() override;
  void OnSize() override;
  void OnPaint(QPainter& painter) override;

 private:
  void FillBlockSizeList();
  void LayoutControls();
  void PaintLegend(QPainter& painter);
  void OnBlockSizeChosen(int index);

  SurfaceInfoControl map;
  SpeedCurveControl curve;
  QComboBox* blockSizeList = nullptr;
  QRect legendRect;
};
