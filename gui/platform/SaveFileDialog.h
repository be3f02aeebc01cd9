// The save dialog's set-up shared by every save of the program: a dialog of
// our own (not the desktop's) whose icons and file types come from names and
// kinds alone, never from reading a file, so that no file in a folder it shows
// (a FIFO, a file in /proc) can block it; the folder a save last went to; a
// suggested file name.
#pragma once

#include <QAbstractFileIconProvider>
#include <QString>

class QFileDialog;

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
