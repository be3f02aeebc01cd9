#include "gui/pages/GroupListCtrl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

constexpr int kCheckIcon = 140;
constexpr int kCrossIcon = 141;

// Draws a group heading as the list view's grouped mode does: the title in
// the heading colour, followed by a thin rule to the right edge.
class GroupHeadingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    if (index.parent().isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    const QColor colour(30, 50, 135);
    painter->setPen(colour);
    const QRect text = option.rect.adjusted(4, 0, 0, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    const int end = text.left() + QFontMetrics(font).horizontalAdvance(index.data().toString());
    painter->setPen(colour.lighter(250));
    const int y = option.rect.center().y();
    painter->drawLine(end + 6, y, option.rect.right() - 4, y);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!index.parent().isValid()) size.setHeight(size.height() + 6);
    return size;
  }
};

// An empty picture, so that rows without a picture keep their labels in line
// with the rows that have one, as in a list view with an image list.
QIcon NoPicture(const QSize& size) {
  QPixmap empty(size);
  empty.fill(Qt::transparent);
  return QIcon(empty);
}

}  // namespace

GroupListCtrl::GroupListCtrl() : images(16, 16, 3) {
  AppendIcon(images, kCheckIcon);
  AppendIcon(images, kCrossIcon);
}

void GroupListCtrl::SetupGroups(QWidget* page, int controlId,
                                const std::vector<std::u16string>& titles) {
  view = Item<QTreeWidget>(page, controlId);
  if (view == nullptr) return;
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setIconSize(images.ImageSize());
  view->setColumnCount(2);
  view->setHeaderLabels({QStringLiteral("Feature"), QStringLiteral("Value")});
  view->setColumnWidth(0, 100);
  view->setColumnWidth(1, 100);
  view->header()->setMinimumSectionSize(0);
  view->header()->hide();
  view->setItemsExpandable(false);
  view->setItemDelegate(new GroupHeadingDelegate(view));
  auto* copy = new QAction(QStringLiteral("Copy"), view);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(copy, &QAction::triggered, view,
                   [this] { QApplication::clipboard()->setText(SelectedRowsText()); });
  view->addAction(copy);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  // The note fills the list's visible area, whatever its size.
  emptyText = new QLabel(view->viewport());
  emptyText->setAlignment(Qt::AlignCenter);
  emptyText->hide();
  (new QVBoxLayout(view->viewport()))->addWidget(emptyText);
  for (const std::u16string& title : titles) {
    auto* group = new QTreeWidgetItem(view, {QString::fromStdU16String(title)});
    group->setFlags(Qt::ItemIsEnabled);
    group->setFirstColumnSpanned(true);
    group->setHidden(true);
    group->setExpanded(true);
  }
}

void GroupListCtrl::AddRow(int groupId, const QString& label, const QString& value, int image) {
  if (view == nullptr) return;
  QTreeWidgetItem* group = view->topLevelItem(groupId - 1);
  if (group == nullptr) return;
  auto* row = new QTreeWidgetItem(group, {label, value});
  // A value too long for its column (a track's place, a path) is read whole
  // in the tooltip.
  row->setToolTip(1, value);
  const QIcon picture = images.Icon(image);
  row->setIcon(0, picture.isNull() ? NoPicture(images.ImageSize()) : picture);
  group->setHidden(false);
  group->setExpanded(true);
}

void GroupListCtrl::ClearRows() {
  if (view == nullptr) return;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    QTreeWidgetItem* group = view->topLevelItem(i);
    qDeleteAll(group->takeChildren());
    group->setHidden(true);
  }
}

void GroupListCtrl::ShowRows(const PropertyGroups& groups) {
  ClearRows();
  for (std::size_t i = 0; i < groups.size(); ++i)
    for (const PropertyRow& row : groups[i].rows)
      AddRow(static_cast<int>(i) + 1, QString::fromStdU16String(row.label),
             QString::fromStdU16String(row.value), row.image);
}

void GroupListCtrl::SetEmptyText(const QString& text) {
  if (emptyText == nullptr) return;
  emptyText->setText(text);
  emptyText->setVisible(!text.isEmpty());
}

QString GroupListCtrl::SelectedRowsText() const {
  QString text;
  if (view == nullptr) return text;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* group = view->topLevelItem(i);
    for (int j = 0; j < group->childCount(); ++j) {
      const QTreeWidgetItem* row = group->child(j);
      if (row->isSelected()) text += row->text(0) + u'\t' + row->text(1) + u'\n';
    }
  }
  return text;
}

void GroupListCtrl::FitToRect(const QRect& rect) {
  if (view == nullptr) return;
  MoveWindow(view, rect.x(), rect.y(), rect.width(), rect.height());
  const int half = rect.width() / 2;
  const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
  // A page too narrow for the first column gets none rather than a negative
  // width.
  view->setColumnWidth(0, std::max(0, half - scrollBar - 10));
  view->setColumnWidth(1, std::max(0, half));
}
