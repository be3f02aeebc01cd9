// The arithmetic of the surface map, without a window: blocks of sectors,
// where each block's cell lies in the client area, how many whole rows and
// columns fit, and the vertical scroll bar's range, page and position, kept
// as a Windows scroll bar keeps them. Rectangles are in client pixels, right
// and bottom one past the last pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct CellRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const CellRect&, const CellRect&) = default;
};

// A scroll bar's state: range 0 .. maximum, a page, and a position that is
// kept within 0 .. maximum - page + 1. A new window's bar has the range
// 0 .. 100 and no page.
struct ScrollBarState {
  int maximum = 100;
  int page = 0;
  int position = 0;
  bool enabled = true;  // both arrows

  // The highest position the range and page allow.
  int MaxPosition() const;
  // Sets the position, clamped into the range.
  void SetPosition(int wanted);
};

class SurfaceGeometry {
 public:
  static constexpr int kCellWidth = 8;
  static constexpr int kCellHeight = 8;
  static constexpr int kSpacing = 1;  // gap between cells and margin around the grid

  // Blocks of sectorsPerBlock sectors covering sectorCount sectors; the last
  // block may be short.
  static std::int32_t BlocksFor(std::size_t sectorCount, std::int32_t sectorsPerBlock);

  // Sectors per block, at least 1.
  std::int32_t SectorsPerBlock() const { return sectorsPerBlock; }
  void SetSectorsPerBlock(std::int32_t count);
  // The block that holds sector.
  std::int32_t BlockOf(std::int32_t sector) const { return sector / sectorsPerBlock; }

  std::int32_t BlockCount() const { return blockCount; }
  void SetBlockCount(std::int32_t count) { blockCount = count; }

  // Fits the grid to a client area of width x height pixels: whole cell
  // pitches per row and whole rows; then, when the blocks that do not fit
  // changed in number, enables the scroll bar for them (or disables it) and
  // gives it one position per row that does not fit. True when the scroll
  // bar changed.
  bool UpdateLayout(int width, int height);
  int Columns() const { return columns; }
  int Rows() const { return rows; }

  const ScrollBarState& Scroll() const { return scroll; }
  // Sets the top row (the scroll position), clamped as the scroll bar clamps
  // it. A line is one row, a page is Rows() rows.
  void SetTopRow(int row) { scroll.SetPosition(row); }

  // The blocks in view at the current top row: the first, and the last of
  // the last whole row.
  std::int32_t FirstVisibleBlock() const;
  std::int32_t LastVisibleBlock() const;

  // Where the view's top row must move so that block stays in sight, as auto
  // scroll follows it: none when the block lies in a visible row other than
  // the last one, or when no whole column fits (nothing to follow then).
  std::optional<int> AutoScrollTopRow(std::int32_t block) const;

  // The cells a render draws from the first visible block on: each row holds
  // every cell that fits whole (which may be one more than Columns(), as a
  // last cell needs no gap after it), and every row that fits whole is drawn;
  // the first cell is drawn even when it does not fit.
  int DrawnCellsPerRow() const;
  int DrawnCellCount() const;
  // The cell of the slot-th drawn cell, counted from the first visible block.
  CellRect Cell(int slot) const;
  // The drawn slot of block, or -1 when it is not drawn.
  int SlotOf(std::int32_t block) const;
  // The block whose drawn cell holds the client pixel (x, y); -1 for a gap
  // between cells, the margin, or a cell past the last block.
  std::int32_t BlockAt(int x, int y) const;

 private:
  std::int32_t sectorsPerBlock = 1;
  std::int32_t blockCount = 0;
  int width = 0;
  int height = 0;
  int columns = 0;
  int rows = 0;
  // The overflow found by the previous layout: blocks that did not fit.
  std::int64_t lastOverflow = -1;
  ScrollBarState scroll;
};
