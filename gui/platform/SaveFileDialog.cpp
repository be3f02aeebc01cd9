#include "gui/platform/SaveFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStyle>

#include "core/io/InputFiles.h"
#include "gui/platform/ProgramSettings.h"

namespace {

const QString kSaveFolderKey = QStringLiteral("saveFolder");
const char kSaveErrorCaption[] = "Error";
const char kSaveError[] = "Error. File cannot be saved.";

// The error box of a save: the fixed first line, then the file and why.
void ShowSaveError(QWidget* parent, const QString& path, const std::string& error) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kSaveErrorCaption),
                  QString::fromUtf8(kSaveError) + u'\n' + QDir::toNativeSeparators(path) + u'\n' +
                      QString::fromStdString(error),
                  QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

SaveDialog::SaveDialog(QWidget* parent) : QFileDialog(parent) {}

void SaveDialog::accept() {
  const QString path = selectedFiles().value(0);
  if (!path.isEmpty()) {
    const std::string problem = OutputProblem(QFile::encodeName(path).toStdString());
    if (!problem.empty()) {
      ShowSaveError(this, path, problem);
      return;
    }
  }
  QFileDialog::accept();
}

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

QString RunSaveDialogModal(QFileDialog& dialog) {
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool SaveFileOrShowError(QWidget* parent, const QString& path, std::string_view content,
                         OutputFile::Writer writer) {
  OutputFile file(writer);
  std::string error;
  if (file.Open(QFile::encodeName(path).toStdString(), error) && file.Commit(content, error)) {
    RememberSaveFolder(path);
    return true;
  }
  ShowSaveError(parent, path, error);
  return false;
}
