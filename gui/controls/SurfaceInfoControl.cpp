#include "gui/controls/SurfaceInfoControl.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <cstring>
#include <mutex>

#include "core/damage/DamageIndex.h"
#include "core/report/DamageTexts.h"
#include "core/scan/ScanTable.h"
#include "gui/controls/RepaintPacer.h"
#include "gui/controls/SurfaceTiles.h"

namespace {

QRect ToQRect(const CellRect& cell) {
  return QRect(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top);
}

// Sets the one-pixel border of rect in image to color, as far as it lies in
// the image.
void DrawRing(QImage& image, const QRect& rect, QRgb color) {
  for (int x = rect.left(); x <= rect.right(); ++x)
    for (const int y : {rect.top(), rect.bottom()})
      if (image.rect().contains(x, y)) image.setPixel(x, y, color);
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (const int x : {rect.left(), rect.right()})
      if (image.rect().contains(x, y)) image.setPixel(x, y, color);
}

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SurfaceInfoControl::SurfaceInfoControl(const ScanTable* scanner)
    : source(scanner), scrollBarSync(new QTimer(this)) {
  CreateSharedBrushes();
  scrollBarSync->setSingleShot(true);
  scrollBarSync->setInterval(RepaintPacer::kFrameMs);
  connect(scrollBarSync, &QTimer::timeout, this, &SurfaceInfoControl::SyncScrollBar);
  setFrameStyle(QFrame::Box | QFrame::Plain);  // a thin black border
  setLineWidth(1);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setContextMenuPolicy(Qt::NoContextMenu);
  verticalScrollBar()->setSingleStep(1);
  // Every pixel comes from the back buffer: nothing to erase first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  SyncScrollBar();
}

void SurfaceInfoControl::Create(QWidget* parent) {
  setParent(parent);
  setGeometry(0, 0, 0, 0);
  CountBlocks();
  UpdateLayout();
  RenderBuffer();
  show();
}

// --- Reading the scanner's table: one entry or the size per lock ---------------

std::size_t SurfaceInfoControl::TableSize() const {
  if (source == nullptr) return 0;
  const std::lock_guard lock(source->stateLock);
  return source->surfaceState.sectors.size();
}

SurfaceInfoControl::TableChange SurfaceInfoControl::ReadTableChange() const {
  if (source == nullptr) return {0, -1};
  const std::lock_guard lock(source->stateLock);
  return {source->stateChanges, source->lastChangedSector};
}

std::uint8_t SurfaceInfoControl::GetBlockFlags(std::int32_t block) const {
  const std::int64_t start = std::int64_t{block} * grid.SectorsPerBlock();
  const std::int64_t end = std::min<std::int64_t>(start + grid.SectorsPerBlock(), TableSize());
  std::uint8_t flags = 0;
  for (std::int64_t sector = start; sector < end; ++sector) {
    const std::lock_guard lock(source->stateLock);
    // The table may have been resized since its size was read.
    const auto& sectors = source->surfaceState.sectors;
    if (static_cast<std::size_t>(sector) < sectors.size())
      flags |= BlockFlagOf(sectors[static_cast<std::size_t>(sector)]);
  }
  return flags;
}

SectorCounts SurfaceInfoControl::CountBlock(std::int32_t block) const {
  SectorCounts counts;
  const auto [first, last] = BlockSectors(block);
  const std::lock_guard lock(source->stateLock);
  const auto& sectors = source->surfaceState.sectors;
  for (std::int64_t sector = first; sector <= last; ++sector) {
    if (static_cast<std::size_t>(sector) >= sectors.size()) break;
    counts.Add(sectors[static_cast<std::size_t>(sector)]);
  }
  return counts;
}

std::pair<std::int32_t, std::int32_t> SurfaceInfoControl::BlockSectors(std::int32_t block) const {
  const std::int64_t first = std::int64_t{block} * grid.SectorsPerBlock();
  const std::int64_t end = std::min<std::int64_t>(first + grid.SectorsPerBlock(),
                                                  static_cast<std::int64_t>(TableSize()));
  return {static_cast<std::int32_t>(first),
          static_cast<std::int32_t>(std::max(end, first + 1) - 1)};
}

QString SurfaceInfoControl::CellToolTip(std::int32_t block) const {
  const auto [first, last] = BlockSectors(block);
  return ToQString(SurfaceCellText(static_cast<std::uint64_t>(first),
                                   static_cast<std::uint64_t>(last), CountBlock(block),
                                   damage.get()));
}

// --- Operations ------------------------------------------------------------------

void SurfaceInfoControl::SetDamageIndex(std::shared_ptr<const DamageIndex> index) {
  damage = std::move(index);
}

void SurfaceInfoControl::SelectSector(std::int32_t sector) {
  selectedSector = sector < 0 ? -1 : sector;
  if (selectedSector >= 0) {
    if (const std::optional<int> topRow = grid.AutoScrollTopRow(SelectedBlock())) {
      grid.SetTopRow(*topRow);
      SyncScrollBar();
    }
  }
  RenderBuffer();
}

std::int32_t SurfaceInfoControl::SelectedBlock() const {
  return selectedSector < 0 ? -1 : grid.BlockOf(selectedSector);
}

void SurfaceInfoControl::RefreshBlocks() {
  CountBlocks();
  UpdateLayout();
  RenderBuffer();
}

void SurfaceInfoControl::SetCurrentSector(std::int32_t sector) {
  const std::int32_t block = grid.BlockOf(sector);
  if (block == currentBlock) return;
  currentBlock = block;
  if (autoScroll) {
    const std::optional<int> topRow = grid.AutoScrollTopRow(block);
    // In a visible row other than the last: the new frame shows at the next
    // render (in a scan, the refresh that follows the sector's read).
    if (!topRow) return;
    grid.SetTopRow(*topRow);
    // A scan moves the view a row at a time; the bar follows within a frame.
    if (!scrollBarSync->isActive()) scrollBarSync->start();
  }
  RenderBuffer();
}

void SurfaceInfoControl::SetSectorsPerBlock(std::int32_t count) {
  if (std::max<std::int32_t>(count, 1) == grid.SectorsPerBlock()) return;
  grid.SetSectorsPerBlock(count);
  CountBlocks();
  UpdateLayout();
  grid.SetTopRow(0);
  SyncScrollBar();
  RenderBuffer();
}

void SurfaceInfoControl::CountBlocks() {
  grid.SetBlockCount(SurfaceGeometry::BlocksFor(TableSize(), grid.SectorsPerBlock()));
}

void SurfaceInfoControl::UpdateLayout() {
  if (grid.UpdateLayout(viewport()->width(), viewport()->height())) SyncScrollBar();
}

// The scroll bar shows the geometry's state. A disabled bar shows no thumb;
// the geometry keeps its position all the same.
void SurfaceInfoControl::SyncScrollBar() {
  scrollBarSync->stop();
  const ScrollBarState& state = grid.Scroll();
  QScrollBar* bar = verticalScrollBar();
  syncingScrollBar = true;
  bar->setEnabled(state.enabled);
  if (state.enabled) {
    bar->setRange(0, state.MaxPosition());
    bar->setPageStep(std::max(state.page, 1));
    bar->setValue(state.position);
  } else {
    bar->setRange(0, 0);
  }
  syncingScrollBar = false;
}

// --- Window messages ---------------------------------------------------------------

void SurfaceInfoControl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateLayout();
  RenderBuffer();
}

void SurfaceInfoControl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  for (const QRect& rect : event->region()) painter.drawImage(rect, backBuffer, rect);
}

// The user moved the scroll bar: a line is one row, a page `rows` rows, the
// thumb any row; the bar has clamped the position into its range already.
void SurfaceInfoControl::scrollContentsBy(int, int) {
  if (syncingScrollBar) return;
  scrollBarSync->stop();  // the user's position wins over one auto scroll left to show
  grid.SetTopRow(verticalScrollBar()->value());
  RenderBuffer();
}

std::int32_t SurfaceInfoControl::BlockAt(const QPoint& point) const {
  return grid.BlockAt(point.x(), point.y());
}

bool SurfaceInfoControl::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
  const auto* help = static_cast<const QHelpEvent*>(event);
  const std::int32_t block = BlockAt(help->pos());
  if (block < 0)
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), CellToolTip(block), viewport());
  return true;
}

void SurfaceInfoControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const std::int32_t block = BlockAt(event->position().toPoint());
  if (block >= 0) SelectSector(BlockSectors(block).first);
}

void SurfaceInfoControl::mouseDoubleClickEvent(QMouseEvent* event) {
  const std::int32_t block = BlockAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || block < 0) return;
  SelectSector(BlockSectors(block).first);
  emit sectorActivated(selectedSector);
}

void SurfaceInfoControl::contextMenuEvent(QContextMenuEvent* event) {
  const std::int32_t block = BlockAt(event->pos());  // in the viewport's coordinates
  if (block < 0) return;
  SelectSector(BlockSectors(block).first);
  QMenu menu(this);
  const QAction* show = menu.addAction(QStringLiteral("Show in Sector Viewer"));
  if (menu.exec(event->globalPos()) == show) emit sectorActivated(selectedSector);
}

// --- Rendering -----------------------------------------------------------------------

void SurfaceInfoControl::RenderBuffer() {
  const TableChange change = ReadTableChange();
  const bool sameView = drawn.valid && backBuffer.size() == viewport()->size() &&
                        drawn.firstBlock == grid.FirstVisibleBlock() &&
                        drawn.blockCount == grid.BlockCount() &&
                        drawn.sectorsPerBlock == grid.SectorsPerBlock();
  if (!sameView) return RenderAll(change.count);

  QRect dirty;
  if (change.count != drawn.tableChanges) {
    if (change.count == drawn.tableChanges + 1 && change.sector >= 0) {
      const int slot = grid.SlotOf(grid.BlockOf(change.sector));
      if (slot >= 0) RefreshCell(slot, false, dirty);
    } else {
      for (int slot = 0; slot < static_cast<int>(drawn.flags.size()); ++slot)
        RefreshCell(slot, false, dirty);
    }
    drawn.tableChanges = change.count;
  }
  if (drawn.highlight != currentBlock) {
    const int before = grid.SlotOf(drawn.highlight);
    const int after = grid.SlotOf(currentBlock);
    drawn.highlight = currentBlock;
    if (before >= 0) RefreshCell(before, true, dirty);
    if (after >= 0) RefreshCell(after, true, dirty);
  }
  if (drawn.selection != SelectedBlock()) {
    const int before = grid.SlotOf(drawn.selection);
    const int after = grid.SlotOf(SelectedBlock());
    drawn.selection = SelectedBlock();
    if (before >= 0) {
      DrawSelectionRing(before, false, dirty);
      RefreshCell(before, true, dirty);
    }
    if (after >= 0) RefreshCell(after, true, dirty);
  }
  if (!dirty.isEmpty()) RepaintPacer::Update(viewport(), dirty);
}

void SurfaceInfoControl::RenderAll(std::uint64_t tableChanges) {
  const QSize size = viewport()->size();
  if (backBuffer.size() != size) backBuffer = QImage(size, QImage::Format_RGB32);
  backBuffer.fill(SurfaceBackground());

  drawn.valid = true;
  drawn.firstBlock = grid.FirstVisibleBlock();
  drawn.blockCount = grid.BlockCount();
  drawn.sectorsPerBlock = grid.SectorsPerBlock();
  drawn.highlight = currentBlock;
  drawn.selection = SelectedBlock();
  drawn.tableChanges = tableChanges;
  const std::int64_t shown = std::min<std::int64_t>(
      grid.DrawnCellCount(), std::int64_t{drawn.blockCount} - drawn.firstBlock);
  drawn.flags.assign(static_cast<std::size_t>(std::max<std::int64_t>(shown, 0)), 0);
  for (int slot = 0; slot < static_cast<int>(drawn.flags.size()); ++slot) {
    const std::int32_t block = drawn.firstBlock + slot;
    drawn.flags[static_cast<std::size_t>(slot)] = GetBlockFlags(block);
    DrawBlock(slot, drawn.flags[static_cast<std::size_t>(slot)], block == currentBlock);
  }
  QRect ring;
  if (const int slot = grid.SlotOf(drawn.selection); slot >= 0) DrawSelectionRing(slot, true, ring);
  RepaintPacer::Update(viewport());
}

void SurfaceInfoControl::RefreshCell(int slot, bool frameChanged, QRect& dirty) {
  if (slot >= static_cast<int>(drawn.flags.size())) return;
  const std::int32_t block = drawn.firstBlock + slot;
  const std::uint8_t flags = GetBlockFlags(block);
  std::uint8_t& shown = drawn.flags[static_cast<std::size_t>(slot)];
  if (flags == shown && !frameChanged) return;
  shown = flags;
  DrawBlock(slot, flags, block == currentBlock);
  dirty |= ToQRect(grid.Cell(slot));
  if (block == drawn.selection) DrawSelectionRing(slot, true, dirty);
}

// Copies the cell's picture into the back buffer, clipped to it.
void SurfaceInfoControl::DrawBlock(int slot, std::uint8_t flags, bool highlighted) {
  const QImage& tile = CellTile(flags, highlighted);
  const CellRect place = grid.Cell(slot);
  const QRect cell = ToQRect(place).intersected(backBuffer.rect());
  if (cell.isEmpty()) return;
  const int left = cell.left() - place.left;
  const int top = cell.top() - place.top;
  const std::size_t bytes = static_cast<std::size_t>(cell.width()) * sizeof(QRgb);
  uchar* const pixels = backBuffer.bits();  // one check that the buffer is not shared
  for (int y = 0; y < cell.height(); ++y)
    std::memcpy(reinterpret_cast<QRgb*>(pixels + (cell.top() + y) * backBuffer.bytesPerLine()) +
                    cell.left(),
                reinterpret_cast<const QRgb*>(tile.constScanLine(top + y)) + left, bytes);
}

// The ring covers the cell's outline and the gap round it, which no other
// cell draws on; erased, the gap takes the background again (the cell's own
// picture is drawn anew by the caller).
void SurfaceInfoControl::DrawSelectionRing(int slot, bool shown, QRect& dirty) {
  const QRect cell = ToQRect(grid.Cell(slot));
  const QRect gap = cell.adjusted(-1, -1, 1, 1);
  DrawRing(backBuffer, gap, shown ? kSelectionColor : SurfaceBackground());
  if (shown) DrawRing(backBuffer, cell, kSelectionColor);
  dirty |= gap;
}
