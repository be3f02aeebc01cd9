#include "gui/platform/UpDownCtrl.h"

#include <QKeyEvent>
#include <QToolButton>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

UpDownCtrl::UpDownCtrl(QWidget* parent)
    : QWidget(parent), up(MakeArrow(this, Qt::UpArrow)), down(MakeArrow(this, Qt::DownArrow)) {
  connect(up, &QToolButton::clicked, this, [this] { emit deltaPos(-1); });
  connect(down, &QToolButton::clicked, this, [this] { emit deltaPos(+1); });
}

void UpDownCtrl::SetBuddy(QWidget* control) {
  if (buddy != nullptr) buddy->removeEventFilter(this);
  buddy = control;
  // A click on the arrows gives the focus to the control, that is to its
  // buddy; without a buddy the control takes no focus.
  setFocusPolicy(buddy != nullptr ? Qt::ClickFocus : Qt::NoFocus);
  setFocusProxy(buddy);
  if (buddy != nullptr) buddy->installEventFilter(this);
}

bool UpDownCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy && event->type() == QEvent::KeyPress && isEnabled()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      emit deltaPos(key->key() == Qt::Key_Up ? -1 : +1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDownCtrl::resizeEvent(QResizeEvent*) {
  const int upper = height() / 2;
  up->setGeometry(0, 0, width(), upper);
  down->setGeometry(0, upper, width(), height() - upper);
}
