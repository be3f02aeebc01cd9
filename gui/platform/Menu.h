// Menus described as tables, each item carrying its command id. The menu bar
// reports a chosen item as command(id), as a menu sends WM_COMMAND.
#pragma once

#include <QMenuBar>
#include <vector>

struct MenuItemTemplate {
  const char* text;  // null for a separator
  int commandId;
};

struct PopupTemplate {
  const char* title;
  std::vector<MenuItemTemplate> items;
};

using MenuTemplate = std::vector<PopupTemplate>;

class MenuBar : public QMenuBar {
  Q_OBJECT

 public:
  explicit MenuBar(const MenuTemplate& menu, QWidget* parent = nullptr);

  // The item that sends commandId; null when there is none.
  QAction* Command(int commandId) const;

 signals:
  void command(int commandId);
};
