#include "gui/platform/TabCtrl.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace {

// Width of the frame around the display area.
constexpr int kFrame = 2;

}  // namespace

TabCtrl::TabCtrl(QWidget* parent) : QWidget(parent), bar(new QTabBar(this)) {
  bar->setDrawBase(false);
  bar->setExpanding(false);
  bar->setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(bar);
  connect(bar, &QTabBar::currentChanged, this, [this] { emit selChange(); });
}

int TabCtrl::InsertItem(int index, const QString& text) {
  // Inserting the first tab selects it; that is no selection by the user.
  const QSignalBlocker quiet(bar);
  const int inserted = bar->insertTab(index, text);
  bar->resize(width(), BarHeight());
  return inserted;
}

int TabCtrl::GetItemCount() const { return bar->count(); }

int TabCtrl::GetCurSel() const { return bar->currentIndex(); }

void TabCtrl::SetCurSel(int index) {
  const QSignalBlocker quiet(bar);
  bar->setCurrentIndex(index);
}

QString TabCtrl::ItemText(int index) const { return bar->tabText(index); }

int TabCtrl::BarHeight() const { return bar->sizeHint().height(); }

QRect TabCtrl::AdjustRect(bool larger, const QRect& rect) const {
  const QMargins margins(kFrame, BarHeight() + kFrame, kFrame, kFrame);
  return larger ? rect.marginsAdded(margins) : rect.marginsRemoved(margins);
}

void TabCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionTabWidgetFrame option;
  option.initFrom(this);
  option.rect = QRect(0, BarHeight(), width(), height() - BarHeight());
  option.shape = QTabBar::RoundedNorth;
  option.tabBarSize = bar->size();
  option.tabBarRect = bar->geometry();
  option.lineWidth = kFrame;
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

void TabCtrl::resizeEvent(QResizeEvent*) { bar->setGeometry(0, 0, width(), BarHeight()); }
