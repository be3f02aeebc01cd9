#include "gui/controls/HistoryDialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <mutex>

#include "core/history/HistoryScans.h"
#include "core/history/HistoryTexts.h"
#include "core/scan/ScannerBridge.h"
#include "core/scan/SectorScanner.h"
#include "gui/controls/HistoryChartControl.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

const DialogTemplate kHistoryTemplate = {
    150,
    {340, 250},
    "Scan History",
    0,
    {
        {HistoryDialog::kDiscLabelId, ControlKind::Static, "", 0, {7, 7, 326, 8}},
        {HistoryDialog::kScanListId,
         ControlKind::ListView,
         "",
         kBorder | kTabStop | kSingleSelection,
         {7, 18, 326, 110}},
        {HistoryDialog::kChartLabelId,
         ControlKind::Static,
         "Problem and error sectors over time:",
         0,
         {7, 134, 326, 8}},
        {HistoryDialog::kChartId,
         ControlKind::Static,
         "",
         0,
         {7, 144, 326, 80},
         &MakeControl<HistoryChartControl>},
        {HistoryDialog::kShowMapId,
         ControlKind::PushButton,
         "Show Map...",
         kTabStop,
         {7, 229, 60, 14}},
        {HistoryDialog::kCloseId, ControlKind::PushButton, "Close", kTabStop, {283, 229, 50, 14}},
    },
};

// The date and kind columns; the counts are as wide as their headings, the
// drive takes what is left.
constexpr int kDateWidth = 130;
constexpr int kKindWidth = 130;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// A count of a scan that counts sectors; a files test has none.
QString SectorCount(const HistoryScan& scan, std::int64_t count) {
  return scan.sectors > 0 ? QString::number(count) : QStringLiteral("\u2013");
}

}  // namespace

HistoryDialog::HistoryDialog(DiscScans scans, std::uint16_t letter,
                             const wrenlo::SessionInfo& lastSession, QWidget* parent)
    : Dialog(&kHistoryTemplate, parent),
      history(std::move(scans)),
      driveLetter(letter),
      session(lastSession) {}

HistoryDialog::~HistoryDialog() = default;

bool HistoryDialog::OnInitDialog() {
  list = Item<QTreeWidget>(Client(), kScanListId);
  chart = Item<HistoryChartControl>(Client(), kChartId);
  showMap = Item<QPushButton>(Client(), kShowMapId);
  Item<QLabel>(Client(), kDiscLabelId)->setText(FromUtf8(HistoryDiscText(history.disc)));
  Item<QLabel>(Client(), kChartLabelId)
      ->setText(history.scans.empty() ? QStringLiteral("No scan of this disc is kept yet.")
                                      : QStringLiteral("Problem and error sectors over time:"));
  list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Kind"), QStringLiteral("Drive"),
                         QStringLiteral("Problem"), QStringLiteral("Error"),
                         QStringLiteral("Damaged files")});
  list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setAllColumnsShowFocus(true);
  // An image's long path keeps its start and its name.
  list->setTextElideMode(Qt::ElideMiddle);
  FillList();
  chart->SetScans(history.scans);
  connect(list, &QTreeWidget::currentItemChanged, this, &HistoryDialog::EnableShowMap);
  connect(list, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (showMap->isEnabled()) ShowMap();
  });
  connect(showMap, &QPushButton::clicked, this, &HistoryDialog::ShowMap);
  connect(Item<QPushButton>(Client(), kCloseId), &QPushButton::clicked, this,
          &HistoryDialog::OnCancel);
  EnableShowMap();
  LayoutControls();
  return true;
}

// Oldest first, as the chart runs; the latest is chosen.
void HistoryDialog::FillList() {
  for (std::size_t i = 0; i < history.scans.size(); ++i) {
    const HistoryScan& scan = history.scans[i];
    auto* row = new QTreeWidgetItem(
        {FromUtf8(HistoryTimeText(scan.time)),
         FromUtf8(scan.kind) + (scan.stopped ? QStringLiteral(" (stopped)") : QString()),
         FromUtf8(HistoryDriveText(scan.drive)), SectorCount(scan, scan.problemSectors),
         SectorCount(scan, scan.errorSectors), QString::number(scan.damagedFiles)});
    row->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    row->setToolTip(2, row->text(2));
    for (int column = 3; column < 6; ++column) row->setTextAlignment(column, Qt::AlignRight);
    list->addTopLevelItem(row);
  }
  if (list->topLevelItemCount() > 0)
    list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
}

// A map is there to show of a surface scan.
void HistoryDialog::EnableShowMap() {
  const QTreeWidgetItem* row = list->currentItem();
  showMap->setEnabled(row != nullptr &&
                      history.scans[row->data(0, Qt::UserRole).toULongLong()].kind ==
                          scan_kind::kSurfaceScan);
}

// The scan's table and curve are held where the details dialog reads a
// scan's: in a scanner that never runs.
void HistoryDialog::ShowMap() {
  const QTreeWidgetItem* row = list->currentItem();
  if (row == nullptr) return;
  const HistoryScan& scan = history.scans[row->data(0, Qt::UserRole).toULongLong()];
  SectorScanner earlier(std::make_unique<DirectBridge>(), nullptr);
  earlier.surfaceScan = true;
  earlier.surfaceState.sectors = SectorTableOf(scan, scan.sectors);
  earlier.speedCurve = SpeedCurveOf(scan);
  SurfaceDetailsDialog dialog(&earlier, this);
  dialog.SetCaption(
      QStringLiteral("Surface Scan of %1 (kept)").arg(FromUtf8(HistoryTimeText(scan.time))));
  const std::int32_t sessionSectors = session.sectorCount;
  // The index lands only in the map it was built for, while it is open.
  const std::uint64_t shown = ++mapsShown;
  if (sessionSectors == scan.sectors) {
    indexJobs.Start(driveLetter, session, earlier.surfaceState.sectors,
                    [this, shown](std::shared_ptr<const DamageIndex> index) {
                      if (mapDialog != nullptr && shown == mapsShown)
                        mapDialog->SetDamageIndex(std::move(index));
                    });
  }
  mapDialog = &dialog;
  dialog.DoModal();
  mapDialog = nullptr;
  if (dialog.RequestedSector() < 0) return;
  requestedSector = dialog.RequestedSector();
  EndDialog(kIdOk);
}

void HistoryDialog::OnSize() { LayoutControls(); }

// The list takes the top half, the chart most of the rest, the buttons a
// band of 30 pixels at the bottom.
void HistoryDialog::LayoutControls() {
  if (list == nullptr) return;
  const QRect client = ClientRect();
  const int left = 10, top = 10, right = client.width() - 10, bottom = client.height() - 10;
  const int width = right - left;
  MoveWindow(Item(Client(), kDiscLabelId), left, top, width, 18);
  const int buttons = bottom - 23;
  const int listBottom = top + 22 + (buttons - top - 22) / 2;
  MoveWindow(list, left, top + 22, width, listBottom - (top + 22));
  MoveWindow(Item(Client(), kChartLabelId), left, listBottom + 8, width, 18);
  MoveWindow(chart, left, listBottom + 28, width, buttons - 8 - (listBottom + 28));
  MoveWindow(showMap, left, buttons, 100, 23);
  MoveWindow(Item(Client(), kCloseId), right - 80, buttons, 80, 23);
  const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int counts = 0;
  for (int column = 3; column < 6; ++column) {
    const int needed =
        list->header()->fontMetrics().horizontalAdvance(list->headerItem()->text(column)) + 20;
    list->setColumnWidth(column, needed);
    counts += needed;
  }
  list->setColumnWidth(0, kDateWidth);
  list->setColumnWidth(1, kKindWidth);
  list->setColumnWidth(2, std::max(80, width - kDateWidth - kKindWidth - counts - scrollBar - 4));
}
