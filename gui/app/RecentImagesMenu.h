// The General menu's "Recent Images": the disc images opened lately, newest
// first, at most kRecentImagesKept of them, kept in the program's settings
// from one run to the next. Choosing one sends chosen(path).
#pragma once

#include <QMenu>
#include <QStringList>

class RecentImagesMenu : public QMenu {
  Q_OBJECT

 public:
  explicit RecentImagesMenu(QWidget* parent = nullptr);

  // The list as the settings keep it.
  static QStringList Images();
  // Puts path, made absolute, first in the list.
  static void Remember(const QString& path);

  // Makes one item per image ("&1 /discs/one.iso", ...); the menu is
  // disabled while the list is empty.
  void Fill();

 signals:
  void chosen(const QString& path);
};
