#include "gui/platform/SaveFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>

#include "gui/platform/ProgramSettings.h"

namespace {

const QString kSaveFolderKey = QStringLiteral("saveFolder");

}  // namespace

PlainFileIconProvider::PlainFileIconProvider() {
  setOptions(QAbstractFileIconProvider::DontUseCustomDirectoryIcons);
}

QIcon PlainFileIconProvider::icon(IconType type) const {
  QStyle* style = QApplication::style();
  switch (type) {
    case Computer:
      return style->standardIcon(QStyle::SP_ComputerIcon);
    case Desktop:
      return style->standardIcon(QStyle::SP_DesktopIcon);
    case Trashcan:
      return style->standardIcon(QStyle::SP_TrashIcon);
    case Drive:
    case Network:
      return style->standardIcon(QStyle::SP_DriveHDIcon);
    case Folder:
      return style->standardIcon(QStyle::SP_DirIcon);
    case File:
      break;
  }
  return style->standardIcon(QStyle::SP_FileIcon);
}

QIcon PlainFileIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return icon(Drive);
  return icon(info.isDir() ? Folder : File);
}

QString PlainFileIconProvider::type(const QFileInfo& info) const {
  if (info.isRoot()) return QStringLiteral("Drive");
  if (info.isDir()) return QStringLiteral("Folder");
  const QString suffix = info.suffix();
  return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
}

void PrepareSaveDialog(QFileDialog& dialog, const QString& suggestedName) {
  // One provider for every dialog; the dialog does not take ownership.
  static PlainFileIconProvider plainIcons;
  dialog.setOptions(dialog.options() | QFileDialog::DontUseNativeDialog |
                    QFileDialog::DontUseCustomDirectoryIcons);
  dialog.setIconProvider(&plainIcons);
  QString folder = ProgramSettings().value(kSaveFolderKey).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!QFileInfo(folder).isDir()) folder = QDir::homePath();
  dialog.setDirectory(folder);
  dialog.selectFile(suggestedName);
}

void RememberSaveFolder(const QString& path) {
  ProgramSettings().setValue(kSaveFolderKey, QFileInfo(path).absolutePath());
}
