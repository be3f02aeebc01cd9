// The save dialog's set-up shared by every save of the program: a dialog of
// our own (not the desktop's) whose icons and file types come from names and
// kinds alone, never from reading a file, so that no file in a folder it shows
// (a FIFO, a file in /proc) can block it; the folder a save last went to; a
// suggested file name; and the writing of the chosen file, with the error box
// when it fails.
#pragma once

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QString>
#include <functional>
#include <string_view>

#include "core/io/OutputFile.h"

class QWidget;

// The file dialog every save uses. A name that no output may take (a file
// the program reads, such as a disc image; a disk) is refused when it is
// chosen, with the error box and without the question whether to replace
// it; the dialog stays open for another name.
class SaveDialog : public QFileDialog {
 public:
  explicit SaveDialog(QWidget* parent);
  void accept() override;
};

// Runs a save dialog that has been set up and returns the chosen path, or an
// empty text when the user cancels; tests put their own in place.
using SaveDialogRunner = std::function<QString(QFileDialog& dialog)>;
// Runs the dialog modally.
QString RunSaveDialogModal(QFileDialog& dialog);

// Icons and types by kind (drive, folder, file) and file name suffix only.
class PlainFileIconProvider : public QAbstractFileIconProvider {
 public:
  PlainFileIconProvider();
  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

// Sets dialog up to save a file named suggestedName: in the folder the last
// save went to, else the user's documents folder.
void PrepareSaveDialog(QFileDialog& dialog, const QString& suggestedName);

// Remembers the folder of the saved file path for the next save dialog.
void RememberSaveFolder(const QString& path);

// Writes content to path by the program's one rule for output files (whole
// or not at all for a file, directly to a device or FIFO) and remembers its
// folder. When that fails, shows the error box ("Error. File cannot be
// saved.", the file and the system's reason) over parent and returns false;
// an existing file is then left as it was.
bool SaveFileOrShowError(QWidget* parent, const QString& path, std::string_view content,
                         OutputFile::Writer writer = OutputFile::DefaultWriter());
