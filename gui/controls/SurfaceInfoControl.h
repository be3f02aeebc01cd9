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
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <cstdint>
#include <vector>

#include "core/format/SurfaceCells.h"
#include "core/format/SurfaceGeometry.h"

class QTimer;
class SectorScanner;

class SurfaceInfoControl : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // source outlives the control.
  explicit SurfaceInfoControl(const SectorScanner* source);

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

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // What the back buffer shows, to tell which cells a render must redraw.
  struct Drawn {
    bool valid = false;
    std::int32_t firstBlock = 0;
    std::int32_t blockCount = 0;
    std::int32_t sectorsPerBlock = 0;
    std::int32_t highlight = -1;      // the block drawn with the frame
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
  std::size_t TableSize() const;
  TableChange ReadTableChange() const;

  const SectorScanner* source;
  QImage backBuffer;
  SurfaceGeometry grid;
  std::int32_t currentBlock = -1;
  bool autoScroll = true;
  // Set while the scroll bar is brought in line with the geometry, whose
  // position is then already right.
  bool syncingScrollBar = false;
  // Brings the scroll bar in line after auto scroll, at most once a frame.
  QTimer* scrollBarSync;
  Drawn drawn;
};
