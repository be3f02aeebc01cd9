#include "gui/platform/Menu.h"

#include <QMenu>

MenuBar::MenuBar(const MenuTemplate& menu, QWidget* parent) : QMenuBar(parent) {
  for (const PopupTemplate& popup : menu) {
    QMenu* items = addMenu(QString::fromUtf8(popup.title));
    for (const MenuItemTemplate& item : popup.items) {
      if (item.text == nullptr) {
        items->addSeparator();
        continue;
      }
      QAction* action = items->addAction(QString::fromUtf8(item.text));
      action->setData(item.commandId);
      const int id = item.commandId;
      connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
    }
  }
}

QAction* MenuBar::Command(int commandId) const {
  for (QAction* popup : actions())
    for (QAction* action : popup->menu()->actions())
      if (!action->isSeparator() && action->data().toInt() == commandId) return action;
  return nullptr;
}
