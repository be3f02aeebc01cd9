#include "gui/app/RecentImagesMenu.h"

#include <QFile>
#include <QFileInfo>

#include "core/disc/RecentImages.h"
#include "core/format/ElideMiddle.h"
#include "gui/platform/ProgramSettings.h"

namespace {

const QString kRecentImagesKey = QStringLiteral("recentImages");

}  // namespace

RecentImagesMenu::RecentImagesMenu(QWidget* parent)
    : QMenu(QStringLiteral("&Recent Images"), parent) {
  setToolTipsVisible(true);
}

QStringList RecentImagesMenu::Images() {
  return ProgramSettings().value(kRecentImagesKey).toStringList().mid(0, kRecentImagesKept);
}

void RecentImagesMenu::Remember(const QString& path) {
  std::vector<std::string> recent;
  for (const QString& image : Images()) recent.push_back(QFile::encodeName(image).toStdString());
  QStringList kept;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  for (const std::string& image : RememberImage(recent, QFile::encodeName(absolute).toStdString()))
    kept << QFile::decodeName(QByteArray::fromStdString(image));
  ProgramSettings().setValue(kRecentImagesKey, kept);
}

void RecentImagesMenu::Fill() {
  clear();
  const QStringList images = Images();
  for (int i = 0; i < images.size(); ++i) {
    const QString path = images[i];
    // A '&' of the path shows as itself, not as the key of the item.
    const QString shown = QString::fromStdU16String(ElideMiddle(path.toStdU16String(), kShownUnits))
                              .replace(u'&', QStringLiteral("&&"));
    QAction* item = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    item->setToolTip(path);
    connect(item, &QAction::triggered, this, [this, path] { emit chosen(path); });
  }
  menuAction()->setEnabled(!images.isEmpty());
}
