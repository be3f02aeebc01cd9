#include "gui/controls/SurfaceDetailsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <iterator>

#include "core/damage/DamageIndex.h"
#include "core/report/DamageTexts.h"
#include "core/scan/SectorScanner.h"
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
        {SurfaceDetailsDialog::kDamagedLabelId, ControlKind::Static, "", 0, {7, 160, 264, 8}},
        {SurfaceDetailsDialog::kDamagedListId,
         ControlKind::ListView,
         "",
         kBorder | kTabStop,
         {7, 170, 264, 74}},
        {SurfaceDetailsDialog::kExtractId,
         ControlKind::PushButton,
         "Extract...",
         kTabStop,
         {7, 253, 50, 14}},
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
    {kNotCheckedColor, "Not Checked"}, {kGoodColor, "Good"},
    {kProblemColor, "Problem"},        {kErrorColor, "Error"},
    {kDiffersColor, "Differs"},  // only when the scan compares with an image
};
constexpr int kLegendRowHeight = 18;

// The height of the band under the map that holds the damaged files' caption
// and list, out of the height the map and the band share.
int DamagedListBandHeight(int shared) { return std::clamp(shared * 2 / 5, 96, 220); }

// A row's path when it is a file the extraction can write, in the column's
// data under this role; none for a structure or a file of another tree.
constexpr int kExtractPathRole = Qt::UserRole + 1;

// The list's count columns; the path takes the rest of its width.
constexpr int kCountColumnWidth = 100;

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

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

SurfaceDetailsDialog::SurfaceDetailsDialog(const ScanTable* table, bool comparing, QWidget* parent)
    : Dialog(&kTemplate142, parent), map(table), curve(table), comparing(comparing) {}

SurfaceDetailsDialog::~SurfaceDetailsDialog() {
  if (HasWindow()) lastSectorsPerBlock = map.GetSectorsPerBlock();
}

bool SurfaceDetailsDialog::OnInitDialog() {
  if (!caption.isEmpty()) setWindowTitle(caption);
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
  connect(&map, &SurfaceInfoControl::sectorActivated, this,
          &SurfaceDetailsDialog::ShowInSectorViewer);
  SetUpDamagedList();
  LayoutControls();
  return false;
}

void SurfaceDetailsDialog::SetUpDamagedList() {
  damagedLabel = Item<QLabel>(Client(), kDamagedLabelId);
  damagedList = Item<QTreeWidget>(Client(), kDamagedListId);
  QStringList headers = {QStringLiteral("File or structure"), QStringLiteral("Problem sectors"),
                         QStringLiteral("Error sectors")};
  if (comparing) headers.append(QStringLiteral("Differs"));
  damagedList->setHeaderLabels(headers);
  damagedList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  damagedList->setSelectionBehavior(QAbstractItemView::SelectRows);
  damagedList->setAllColumnsShowFocus(true);
  // Each row holds the first bad sector of its file or structure.
  connect(damagedList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* row) {
    if (row != nullptr) map.SelectSector(row->data(0, Qt::UserRole).toInt());
  });
  connect(damagedList, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* row) { ShowInSectorViewer(row->data(0, Qt::UserRole).toInt()); });
  extractButton = Item<QPushButton>(Client(), kExtractId);
  extractButton->setVisible(extractFiles != nullptr);
  extractButton->setToolTip(
      QStringLiteral("Copies the files selected in the list into a folder, their unreadable "
                     "sectors as zeros"));
  connect(damagedList, &QTreeWidget::itemSelectionChanged, this,
          &SurfaceDetailsDialog::EnableExtract);
  connect(extractButton, &QPushButton::clicked, this,
          [this] { extractFiles(SelectedFiles(), this); });
  FillDamagedList();
}

std::vector<std::u16string> SurfaceDetailsDialog::SelectedFiles() const {
  std::vector<std::u16string> files;
  for (const QTreeWidgetItem* row : damagedList->selectedItems()) {
    const QString path = row->data(0, kExtractPathRole).toString();
    if (!path.isEmpty()) files.push_back(path.toStdU16String());
  }
  return files;
}

void SurfaceDetailsDialog::EnableExtract() { extractButton->setEnabled(!SelectedFiles().empty()); }

void SurfaceDetailsDialog::SetDamageIndex(std::shared_ptr<const DamageIndex> index) {
  damage = std::move(index);
  if (damagedList != nullptr) FillDamagedList();
}

// The damaged files, then the damaged structures, each in the layout's order.
void SurfaceDetailsDialog::FillDamagedList() {
  map.SetDamageIndex(damage);
  damagedLabel->setText(ToQString(DamagedListCaption(damage.get())));
  damagedList->clear();
  EnableExtract();
  if (damage == nullptr) return;
  for (const auto* entries : {&damage->DamagedFiles(), &damage->DamagedStructures()}) {
    for (const DamagedEntry& entry : *entries) {
      const LayoutEntry& placed = damage->Layout().entries[entry.entry];
      QStringList texts = {ToQString(entry.name), QString::number(entry.problemSectors),
                           QString::number(entry.errorSectors)};
      if (comparing) texts.append(QString::number(entry.differSectors));
      auto* row = new QTreeWidgetItem(texts);
      row->setData(0, Qt::UserRole, static_cast<qlonglong>(entry.ranges.front().first));
      row->setToolTip(0, row->text(0));
      if (placed.IsFile() && placed.filesTestTree)
        row->setData(0, kExtractPathRole, ToQString(placed.name));
      damagedList->addTopLevelItem(row);
    }
  }
}

void SurfaceDetailsDialog::ShowInSectorViewer(std::int32_t sector) {
  requestedSector = sector;
  EndDialog(kIdOk);
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
// bottom, but for a band along the bottom that holds the damaged files' list
// and a band of a third of the rest under the map for the speed curve; a
// column of 100 pixels on the right holds the legend and settings.
void SurfaceDetailsDialog::LayoutControls() {
  const QRect client = ClientRect();
  const int left = 10, top = 10, right = client.width() - 10, bottom = client.height() - 40;
  if (map.parentWidget() == nullptr) return;  // the window is still being built

  MoveWindow(Item(Client(), kLegendLabelId), right - 100, top, 100, 16);
  legendRect = Edges(right - 100, top + 18, right, top + 100 + (comparing ? kLegendRowHeight : 0));
  const int y = legendRect.top() + (legendRect.bottom() + 1) + 30;
  MoveWindow(Item(Client(), kBlockSizeLabelId), right - 98, y, 100, 18);
  MoveWindow(blockSizeList, right - 100, y + 18, 100, 200);
  MoveWindow(Item(Client(), kAutoScrollId), right - 100, y + 60, 100, 18);
  MoveWindow(Item(Client(), kMapLabelId), left + 1, top, 200, 16);
  const int width = (right - 107) - left;
  const int mapTop = top + 18;
  const int listTop = bottom - DamagedListBandHeight(bottom - mapTop);
  const int curveBand = (listTop - mapTop) / 3;
  const int mapBottom = listTop - curveBand;
  MoveWindow(&map, left, mapTop, width, mapBottom - mapTop);
  MoveWindow(&curve, left, mapBottom + 6, width, curveBand - 6);
  if (damagedList != nullptr) {
    MoveWindow(damagedLabel, left + 1, listTop + 6, width, 16);
    MoveWindow(damagedList, left, listTop + 24, width, bottom - (listTop + 24));
    const int scrollBar = damagedList->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int counts = comparing ? 3 : 2;
    damagedList->setColumnWidth(0,
                                std::max(100, width - counts * kCountColumnWidth - scrollBar - 4));
    for (int column = 1; column <= counts; ++column)
      damagedList->setColumnWidth(column, kCountColumnWidth);
  }
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
    if (legend.color == kDiffersColor && !comparing) break;
    DrawFramed(painter, Edges(row.left(), row.top() + 4, row.left() + 8, row.top() + 12), frame,
               QColor(legend.color));
    painter.drawText(Edges(row.left() + 14, row.top(), row.right() + 1, row.bottom() + 1),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromUtf8(legend.text));
    row.translate(0, kLegendRowHeight);
  }
}
