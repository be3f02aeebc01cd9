#include "gui/controls/SurfaceDetailsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <iterator>

#include "gui/controls/SurfaceTiles.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

const DialogTemplate kTemplate142 = {
    142,
    {346, 274},
    "Surface Scan Details",
    0,
    {
        {SurfaceDetailsDialog::kCloseId,
         ControlKind::PushButton,
         "Close",
         kTabStop,
         {289, 253, 50, 14}},
        {SurfaceDetailsDialog::kBlockSizeListId,
         ControlKind::ComboBox,
         "",
         kTabStop,
         {278, 114, 62, 80}},
        {SurfaceDetailsDialog::kMapLabelId, ControlKind::Static, "Surface map:", 0, {7, 7, 130, 8}},
        {SurfaceDetailsDialog::kBlockSizeLabelId,
         ControlKind::Static,
         "Sectors per block:",
         0,
         {278, 102, 62, 8}},
        {SurfaceDetailsDialog::kAutoScrollId,
         ControlKind::CheckBox,
         "Auto scroll",
         kTabStop,
         {278, 142, 62, 10}},
        {SurfaceDetailsDialog::kLegendLabelId, ControlKind::Static, "Legend:", 0, {278, 7, 62, 8}},
    },
};

struct BlockSize {
  const char* text;
  std::int32_t sectors;
};

constexpr BlockSize kBlockSizes[] = {
    {"1 Sector", 1}, {"5 Sectors", 5}, {"10 Sectors", 10}, {"50 Sectors", 50}, {"100 Sectors", 100},
};

struct LegendRow {
  QRgb color;
  const char* text;
};

constexpr LegendRow kLegendRows[] = {
    {kNotCheckedColor, "Not Checked"},
    {kGoodColor, "Good"},
    {kProblemColor, "Problem"},
    {kErrorColor, "Error"},
};

// A rectangle from its edges, right and bottom one past the last pixel.
QRect Edges(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

// An outline of one pixel in pen round a fill of brush, over the rectangle.
void DrawFramed(QPainter& painter, const QRect& rect, const QColor& pen, const QColor& brush) {
  painter.fillRect(rect, pen);
  painter.fillRect(rect.adjusted(1, 1, -1, -1), brush);
}

}  // namespace

SurfaceDetailsDialog::SurfaceDetailsDialog(const SectorScanner* scanner, QWidget* parent)
    : Dialog(&kTemplate142, parent), map(scanner), curve(scanner) {}

SurfaceDetailsDialog::~SurfaceDetailsDialog() {
  if (HasWindow()) lastSectorsPerBlock = map.GetSectorsPerBlock();
}

bool SurfaceDetailsDialog::OnInitDialog() {
  map.Create(Client());
  curve.setParent(Client());
  curve.show();
  map.RefreshBlocks();
  std::int32_t perBlock = lastSectorsPerBlock;
  if (perBlock <= 0) lastSectorsPerBlock = perBlock = 1;
  map.SetSectorsPerBlock(perBlock);
  FillBlockSizeList();
  auto* autoScroll = Item<QCheckBox>(Client(), kAutoScrollId);
  autoScroll->setChecked(map.AutoScroll());

  connect(blockSizeList, &QComboBox::activated, this, &SurfaceDetailsDialog::OnBlockSizeChosen);
  connect(autoScroll, &QCheckBox::clicked, this, [this](bool on) { map.SetAutoScroll(on); });
  connect(Item<QPushButton>(Client(), kCloseId), &QPushButton::clicked, this,
          &SurfaceDetailsDialog::OnCancel);
  LayoutControls();
  return false;
}

// The five block sizes in order, the map's own selected; none is selected
// when the map's block size is not one of them.
void SurfaceDetailsDialog::FillBlockSizeList() {
  blockSizeList = Item<QComboBox>(Client(), kBlockSizeListId);
  for (const BlockSize& size : kBlockSizes) {
    blockSizeList->addItem(QString::fromUtf8(size.text), size.sectors);
    if (size.sectors == map.GetSectorsPerBlock())
      blockSizeList->setCurrentIndex(blockSizeList->count() - 1);
  }
  if (map.GetSectorsPerBlock() != blockSizeList->currentData().toInt())
    blockSizeList->setCurrentIndex(-1);
}

void SurfaceDetailsDialog::OnBlockSizeChosen(int index) {
  if (index >= 0) map.SetSectorsPerBlock(blockSizeList->itemData(index).toInt());
}

void SurfaceDetailsDialog::OnSize() { LayoutControls(); }

// The map takes the left part of the window down to 40 pixels above its
// bottom, less a band of a third of that height under it for the speed
// curve; a column of 100 pixels on the right holds the legend and settings.
void SurfaceDetailsDialog::LayoutControls() {
  const QRect client = ClientRect();
  const int left = 10, top = 10, right = client.width() - 10, bottom = client.height() - 40;
  if (map.parentWidget() == nullptr) return;  // the window is still being built

  MoveWindow(Item(Client(), kLegendLabelId), right - 100, top, 100, 16);
  legendRect = Edges(right - 100, top + 18, right, top + 100);
  const int y = legendRect.top() + (legendRect.bottom() + 1) + 30;
  MoveWindow(Item(Client(), kBlockSizeLabelId), right - 98, y, 100, 18);
  MoveWindow(blockSizeList, right - 100, y + 18, 100, 200);
  MoveWindow(Item(Client(), kAutoScrollId), right - 100, y + 60, 100, 18);
  MoveWindow(Item(Client(), kMapLabelId), left + 1, top, 200, 16);
  const int curveBand = (bottom - (top + 18)) / 3;
  MoveWindow(&map, left, top + 18, (right - 107) - left, bottom - curveBand - (top + 18));
  MoveWindow(&curve, left, bottom - curveBand + 6, (right - 107) - left, curveBand - 6);
  Client()->update();
}

void SurfaceDetailsDialog::OnPaint(QPainter& painter) { PaintLegend(painter); }

// The legend box in the window colour with a frame, and one row per sector
// state: an 8 x 8 square of its colour and its name.
void SurfaceDetailsDialog::PaintLegend(QPainter& painter) {
  const QColor frame = palette().color(QPalette::WindowText);
  DrawFramed(painter, legendRect, frame, QColor(SurfaceBackground()));
  painter.setFont(Client()->font());
  painter.setPen(Qt::black);
  QRect row = Edges(legendRect.left() + 6, legendRect.top() + 6, legendRect.right() + 1 - 6,
                    legendRect.top() + 22);
  for (const LegendRow& legend : kLegendRows) {
    DrawFramed(painter, Edges(row.left(), row.top() + 4, row.left() + 8, row.top() + 12), frame,
               QColor(legend.color));
    painter.drawText(Edges(row.left() + 14, row.top(), row.right() + 1, row.bottom() + 1),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromUtf8(legend.text));
    row.translate(0, 18);
  }
}
