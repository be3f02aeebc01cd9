#include "gui/platform/ToolBarCtrl.h"

#include <QAction>

#include "gui/platform/ImageList.h"

ToolBarCtrl::ToolBarCtrl(QWidget* parent) : QToolBar(parent) {
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setIconSize(QSize(16, 16));
  setContentsMargins(0, 0, 0, 0);
}

void ToolBarCtrl::SetImageList(const ImageList* list) {
  images = list;
  if (images != nullptr) setIconSize(images->ImageSize());
}

void ToolBarCtrl::AddButton(int image, int commandId, const QString& tooltip) {
  QAction* button = addAction(images != nullptr ? images->Icon(image) : QIcon(), QString());
  button->setData(commandId);
  button->setToolTip(tooltip);
  connect(button, &QAction::triggered, this, [this, commandId] { emit command(commandId); });
}

void ToolBarCtrl::AddSeparator() { addSeparator(); }

QAction* ToolBarCtrl::Button(int commandId) const {
  for (QAction* action : actions())
    if (!action->isSeparator() && action->data().toInt() == commandId) return action;
  return nullptr;
}
