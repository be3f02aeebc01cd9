// What a grouped list shows, as lines of text: each visible group heading,
// then its rows as "  label | value", with " [yes]" or " [no]" when the row
// shows the check or the cross picture.
#pragma once

#include <QImage>
#include <QStringList>
#include <QTreeWidget>

#include "gui/platform/Resources.h"

inline QImage IconImage(const QIcon& icon) {
  return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QStringList GroupListLines(const QTreeWidget* view) {
  const QImage check = IconImage(LoadIcon(140));
  const QImage cross = IconImage(LoadIcon(141));
  QStringList lines;
  for (int g = 0; g < view->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = view->topLevelItem(g);
    if (group->isHidden()) continue;
    lines << group->text(0);
    for (int r = 0; r < group->childCount(); ++r) {
      const QTreeWidgetItem* row = group->child(r);
      QString line = QStringLiteral("  %1 | %2").arg(row->text(0), row->text(1));
      const QImage picture = IconImage(row->icon(0));
      if (picture == check) line += QStringLiteral(" [yes]");
      if (picture == cross) line += QStringLiteral(" [no]");
      lines << line;
    }
  }
  return lines;
}
