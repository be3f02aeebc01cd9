// The surface map: the scanner's table of sector states drawn as a grid of
// 8 x 8 cells, one per block of consecutive sectors, coloured by the states
// found in the block, with a dark blue frame on the block at the scan
// position and a vertical scroll bar for the rows that do not fit.
//
// Everything is drawn into a back buffer that painting only copies. The
// buffer always holds what a full render would draw; a render redraws only
// the cells that can have changed since the last one: the block of the
// sector the scanner last wrote (the scanner counts its writes, so a render
// knows when that is all), and the old and new highlighted blocks, and the
// screen gets them within a frame (RepaintPacer). A change of layout, scroll
// position or block size redraws everything at once.
//
// The map answers the mouse: hovering a cell shows a tooltip with its
// sectors, their states and the files and structures on them (once the
// scan's damage index is given); a click selects the cell, drawn with a
// ring round it in the selection colour; a double-click or the context
// menu's "Show in Sector Viewer" asks for the cell's first sector to be
// shown (sectorActivated).
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/format/SurfaceCells.h"
#include "core/format/SurfaceGeometry.h"
#include "core/scan/ScanRecord.h"

class DamageIndex;
class QTimer;
struct ScanTable;

class SurfaceInfoControl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // source outlives the control.
  explicit SurfaceInfoControl(const ScanTable* source);

  // Creates the window as a visible child of parent, with a border, a
  // vertical scroll bar and an empty rectangle, and draws it once.
  void Create(QWidget* parent);

  // The table changed: recount the blocks, lay out and redraw.
  void RefreshBlocks();
  // Highlights the block that holds sector and, with auto scroll on, keeps
  // it in view.
  void SetCurrentSector(std::int32_t sector);
  // Changes the block size and returns to the top row.
  void SetSectorsPerBlock(std::int32_t count);
  // Follow the highlighted block or not; nothing is redrawn.
  void SetAutoScroll(bool on) { autoScroll = on; }
  std::int32_t GetSectorsPerBlock() const { return grid.SectorsPerBlock(); }

  bool AutoScroll() const { return autoScroll; }
  std::int32_t CurrentBlock() const { return currentBlock; }
  const SurfaceGeometry& Geometry() const { return grid; }
  // The flags of block, read from the table.
  std::uint8_t GetBlockFlags(std::int32_t block) const;

  // The files and structures the tooltips name; null until the scan's index
  // is built.
  void SetDamageIndex(std::shared_ptr<const DamageIndex> index);
  // Selects the cell that holds sector (none for -1) and scrolls it into
  // view.
  void SelectSector(std::int32_t sector);
  // The selected block; -1 for none.
  std::int32_t SelectedBlock() const;
  // The first and last sector of block, as far as the table reaches.
  std::pair<std::int32_t, std::int32_t> BlockSectors(std::int32_t block) const;
  // The tooltip of block's cell.
  QString CellToolTip(std::int32_t block) const;

 signals:
  // The user asked to see the sector in the Sector Viewer.
  void sectorActivated(std::int32_t sector);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // What the back buffer shows, to tell which cells a render must redraw.
  struct Drawn {
    bool valid = false;
    std::int32_t firstBlock = 0;
    std::int32_t blockCount = 0;
    std::int32_t sectorsPerBlock = 0;
    std::int32_t highlight = -1;      // the block drawn with the frame
    std::int32_t selection = -1;      // the block drawn with the selection ring
    std::uint64_t tableChanges = 0;   // the scanner's count of table changes read
    std::vector<std::uint8_t> flags;  // per drawn cell
  };

  struct TableChange {
    std::uint64_t count;
    std::int32_t sector;
  };

  void CountBlocks();
  void UpdateLayout();
  void SyncScrollBar();
  void RenderBuffer();
  void RenderAll(std::uint64_t tableChanges);
  // Reads the flags of the drawn cell slot again and redraws it when they
  // changed or its frame did; adds what it redrew to dirty.
  void RefreshCell(int slot, bool frameChanged, QRect& dirty);
  void DrawBlock(int slot, std::uint8_t flags, bool highlighted);
  // Draws or erases the selection ring round the drawn cell slot; adds it to
  // dirty.
  void DrawSelectionRing(int slot, bool shown, QRect& dirty);
  // The block under a point of the viewport; -1 for none.
  std::int32_t BlockAt(const QPoint& point) const;
  SectorCounts CountBlock(std::int32_t block) const;
  std::size_t TableSize() const;
  TableChange ReadTableChange() const;

  const ScanTable* source;
  QImage backBuffer;
  SurfaceGeometry grid;
  std::int32_t currentBlock = -1;
  bool autoScroll = true;
  // The first sector of the selected cell, or -1; kept as a sector so that a
  // new block size selects the cell that holds it.
  std::int32_t selectedSector = -1;
  std::shared_ptr<const DamageIndex> damage;
  // Set while the scroll bar is brought in line with the geometry, whose
  // position is then already right.
  bool syncingScrollBar = false;
  // Brings the scroll bar in line after auto scroll, at most once a frame.
  QTimer* scrollBarSync;
  Drawn drawn;
};
