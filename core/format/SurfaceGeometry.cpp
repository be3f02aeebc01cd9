#include "core/format/SurfaceGeometry.h"

#include <algorithm>

namespace {

constexpr int kPitchX = SurfaceGeometry::kCellWidth + SurfaceGeometry::kSpacing;
constexpr int kPitchY = SurfaceGeometry::kCellHeight + SurfaceGeometry::kSpacing;

// How many cells of size `cell` and pitch `pitch` fit whole into `span`
// pixels, the first one counted even when it does not fit.
int CellsThatFit(int span, int cell, int pitch) {
  return span < cell ? 1 : (span - cell) / pitch + 1;
}

}  // namespace

int ScrollBarState::MaxPosition() const { return std::max(0, maximum - std::max(page - 1, 0)); }

void ScrollBarState::SetPosition(int wanted) { position = std::clamp(wanted, 0, MaxPosition()); }

std::int32_t SurfaceGeometry::BlocksFor(std::size_t sectorCount, std::int32_t perBlock) {
  const auto per = static_cast<std::size_t>(std::max<std::int32_t>(perBlock, 1));
  return static_cast<std::int32_t>((sectorCount + per - 1) / per);
}

void SurfaceGeometry::SetSectorsPerBlock(std::int32_t count) {
  // A block holds at least one sector; the block arithmetic divides by it.
  sectorsPerBlock = std::max<std::int32_t>(count, 1);
}

bool SurfaceGeometry::UpdateLayout(int clientWidth, int clientHeight) {
  width = clientWidth;
  height = clientHeight;
  // Truncating toward zero, as an area narrower than the margins gives none.
  columns = (width - 2 * kSpacing) / kPitchX;
  rows = (height - 2 * kSpacing) / kPitchY;

  const std::int64_t overflow = std::int64_t{blockCount} - std::int64_t{columns} * rows;
  if (overflow == lastOverflow) return false;
  lastOverflow = overflow;
  scroll.enabled = overflow > 0;
  if (overflow <= 0) return true;  // range and position stay as they were

  const std::int64_t extraRows = columns != 0 ? (overflow + columns - 1) / columns : 0;
  scroll.maximum = static_cast<int>(rows + extraRows - 1);
  scroll.page = rows;
  scroll.SetPosition(scroll.position);
  return true;
}

std::int32_t SurfaceGeometry::FirstVisibleBlock() const {
  return static_cast<std::int32_t>(std::int64_t{scroll.position} * columns);
}

std::int32_t SurfaceGeometry::LastVisibleBlock() const {
  return static_cast<std::int32_t>(std::int64_t{columns} * (scroll.position + rows) - 1);
}

std::int32_t SurfaceGeometry::BlockAt(int x, int y) const {
  if (x < kSpacing || y < kSpacing) return -1;
  const int column = (x - kSpacing) / kPitchX;
  const int row = (y - kSpacing) / kPitchY;
  if ((x - kSpacing) % kPitchX >= kCellWidth || (y - kSpacing) % kPitchY >= kCellHeight) return -1;
  const int perRow = DrawnCellsPerRow();
  if (column >= perRow) return -1;
  const std::int64_t slot = std::int64_t{row} * perRow + column;
  if (slot >= DrawnCellCount()) return -1;
  const std::int64_t block = FirstVisibleBlock() + slot;
  return block < blockCount ? static_cast<std::int32_t>(block) : -1;
}

std::optional<int> SurfaceGeometry::AutoScrollTopRow(std::int32_t block) const {
  if (columns == 0) return std::nullopt;
  if (block < FirstVisibleBlock()) return block / columns;
  if (block <= LastVisibleBlock() - columns) return std::nullopt;
  // Puts the block's row second to last in the view.
  return block / columns - rows + 2;
}

int SurfaceGeometry::DrawnCellsPerRow() const {
  return CellsThatFit(width - 2 * kSpacing, kCellWidth, kPitchX);
}

int SurfaceGeometry::DrawnCellCount() const {
  // A first row that does not fit whole ends the render after its first cell.
  if (height - 2 * kSpacing < kCellHeight) return 1;
  return DrawnCellsPerRow() * CellsThatFit(height - 2 * kSpacing, kCellHeight, kPitchY);
}

CellRect SurfaceGeometry::Cell(int slot) const {
  const int perRow = DrawnCellsPerRow();
  const int left = kSpacing + (slot % perRow) * kPitchX;
  const int top = kSpacing + (slot / perRow) * kPitchY;
  return {left, top, left + kCellWidth, top + kCellHeight};
}

int SurfaceGeometry::SlotOf(std::int32_t block) const {
  if (block < 0 || block >= blockCount) return -1;
  const std::int64_t slot = std::int64_t{block} - FirstVisibleBlock();
  return slot >= 0 && slot < DrawnCellCount() ? static_cast<int>(slot) : -1;
}
