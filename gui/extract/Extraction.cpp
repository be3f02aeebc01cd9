#include "gui/extract/Extraction.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "core/extract/ExtractSummary.h"
#include "gui/extract/ExtractProgressDialog.h"
#include "gui/extract/ExtractResultDialog.h"
#include "gui/platform/ProgramSettings.h"

namespace {

const QString kFolderSetting = QStringLiteral("extract/folder");

QString ChooseFolder(QWidget* parent, const FolderDialogRunner& run) {
  QFileDialog dialog(parent, QStringLiteral("Extract Files to Folder"));
  static PlainFileIconProvider plainIcons;
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly |
                    QFileDialog::DontUseCustomDirectoryIcons);
  dialog.setIconProvider(&plainIcons);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  QString last = ProgramSettings().value(kFolderSetting).toString();
  if (last.isEmpty() || !QFileInfo(last).isDir())
    last = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  dialog.setDirectory(QFileInfo(last).isDir() ? last : QDir::homePath());
  const QString folder = run(dialog);
  if (!folder.isEmpty()) ProgramSettings().setValue(kFolderSetting, folder);
  return folder;
}

enum class Existing { Replace, Keep, Cancel };

// Asked once, when the folder holds anything at all: which of its names the
// disc's files will take is known only as they are written.
Existing AskAboutExisting(QWidget* parent, const QString& folder) {
  if (QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
    return Existing::Keep;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Extract Files"),
                  QStringLiteral("The folder %1 is not empty.").arg(folder), QMessageBox::NoButton,
                  parent);
  box.setInformativeText(
      QStringLiteral("Where a file of the disc has the same name as a file already there, "
                     "replace the existing file, or keep it and leave the disc's file out?"));
  QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
  QPushButton* keep = box.addButton(QStringLiteral("Keep Existing"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(keep);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == replace) return Existing::Replace;
  if (box.clickedButton() == keep) return Existing::Keep;
  return Existing::Cancel;
}

}  // namespace

void ExtractWithDialogs(QWidget* parent, const ExtractionRequest& request,
                        const FolderDialogRunner& chooseFolder) {
  const QString folder = ChooseFolder(parent, chooseFolder);
  if (folder.isEmpty()) return;
  const Existing existing = AskAboutExisting(parent, folder);
  if (existing == Existing::Cancel) return;

  ExtractChoices choices;
  choices.driveLetter = request.driveLetter;
  choices.track = request.track;
  choices.replace = existing == Existing::Replace;
  choices.reading = request.reading;
  const std::string local = QFile::encodeName(folder).toStdString();
  ExtractProgressDialog progress(choices, local, request.files, parent);
  progress.DoModal();

  std::string error;
  WriteExtractManifest(local, progress.Report(), error);
  ExtractResultDialog result(progress.Report(), folder, QString::fromStdString(error), parent);
  result.DoModal();
}
