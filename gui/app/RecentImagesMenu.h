// The General menu's "Recent Images": the disc images opened lately, newest
// first, at most kRecentImagesKept of them, kept in the program's settings
// from one run to the next. Choosing one sends chosen(path). A long path is
// shortened in its middle, as the drive list shortens a long name, so that
// its start and its file name both show; the item's tooltip gives it whole.
#pragma once

#include <QMenu>
#include <QStringList>
#include <cstddef>

class RecentImagesMenu : public QMenu {
  Q_OBJECT

 public:
  // The most code units an item shows of its path.
  static constexpr std::size_t kShownUnits = 60;

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
