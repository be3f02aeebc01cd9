#include "gui/platform/MoveWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <algorithm>

void MoveWindow(QWidget* control, int x, int y, int width, int height) {
  auto* combo = qobject_cast<QComboBox*>(control);
  if (combo == nullptr) {
    control->setGeometry(x, y, width, height);
    return;
  }
  const int boxHeight = combo->sizeHint().height();
  combo->setGeometry(x, y, width, boxHeight);
  const int itemHeight = std::max(1, combo->fontMetrics().height() + 4);
  combo->setMaxVisibleItems(std::max(1, (height - boxHeight) / itemHeight));
}
