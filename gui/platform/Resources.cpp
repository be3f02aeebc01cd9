#include "gui/platform/Resources.h"

#include <QFile>
#include <QString>

// The resource file is compiled into a static library: name it here so that
// the linker keeps it and it is registered before the first look-up. (This
// must stay outside any namespace, where the resource's functions live.)
static void RegisterResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(lumeter);
    return true;
  }();
  (void)registered;
}

QIcon LoadIcon(int resource) {
  RegisterResources();
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString path = QStringLiteral(":/resources/icon%1_%2.png").arg(resource).arg(size);
    if (QFile::exists(path)) icon.addFile(path, QSize(size, size));
  }
  return icon;
}

QPixmap LoadBitmap(int resource) {
  RegisterResources();
  return QPixmap(QStringLiteral(":/resources/bitmap%1.png").arg(resource));
}
