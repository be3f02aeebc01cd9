#include "gui/platform/DialogTemplate.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "gui/platform/ControlId.h"
#include "gui/platform/LinkCtrl.h"
#include "gui/platform/TabCtrl.h"

namespace {

// a * b / c rounded to the nearest integer, as Windows' MulDiv does (for the
// non-negative values of templates).
int MulDiv(int a, int b, int c) {
  return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

QWidget* MakeListView(QWidget* parent, unsigned style) {
  auto* view = new QTreeWidget(parent);
  view->setRootIsDecorated(false);
  view->setIndentation(0);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionMode((style & kSingleSelection) ? QAbstractItemView::SingleSelection
                                                    : QAbstractItemView::ExtendedSelection);
  view->setFrameShape((style & kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
  view->header()->setStretchLastSection(false);
  view->setHeaderHidden((style & kNoColumnHeader) != 0);
  return view;
}

QWidget* MakePlain(QWidget* parent, const ControlTemplate& control) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::Static: {
      // Static texts wrap at their width, as on the original platform.
      auto* label = new QLabel(text, parent);
      label->setWordWrap(true);
      label->setAlignment(((control.style & kRightAligned) ? Qt::AlignRight : Qt::AlignLeft) |
                          Qt::AlignTop);
      return label;
    }
    case ControlKind::PushButton: {
      // The dialog itself decides what Enter does (see Dialog).
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::ComboBox:
      return new QComboBox(parent);
    case ControlKind::ListView:
      return MakeListView(parent, control.style);
    case ControlKind::TabControl:
      return new TabCtrl(parent);
    case ControlKind::SysLink:
      return new LinkCtrl(text, parent);
    case ControlKind::RadioButton:
      return new QRadioButton(text, parent);
    case ControlKind::CheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return nullptr;
}

}  // namespace

QFont DialogFont() {
  QFont font = QApplication::font();
  font.setPointSize(8);
  return font;
}

DialogUnits DialogUnits::ForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogUnits{(width / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnits::ToPixels(const QRect& du) const {
  return QRect(MulDiv(du.x(), baseX, 4), MulDiv(du.y(), baseY, 8), MulDiv(du.width(), baseX, 4),
               MulDiv(du.height(), baseY, 8));
}

QSize DialogUnits::ToPixels(const QSize& du) const {
  return QSize(MulDiv(du.width(), baseX, 4), MulDiv(du.height(), baseY, 8));
}

void CreateControls(QWidget* parent, const DialogTemplate& dialog) {
  const DialogUnits units = DialogUnits::ForFont(parent->font());
  for (const ControlTemplate& control : dialog.controls) {
    QWidget* widget =
        control.create != nullptr ? control.create(parent) : MakePlain(parent, control);
    SetControlId(widget, control.id);
    widget->setFocusPolicy((control.style & kTabStop)            ? Qt::StrongFocus
                           : control.kind == ControlKind::Static ? Qt::NoFocus
                                                                 : Qt::ClickFocus);
    widget->setGeometry(units.ToPixels(control.rect));
    widget->show();
  }
}
