// Extracting a disc's files from the window, from start to end: the folder
// chosen in a folder dialog; when it is not empty, one question whether
// files of the same names are replaced or kept; the extraction with its
// progress dialog; the manifest written into the folder; the result dialog.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/extract/FileData.h"
#include "gui/platform/SaveFileDialog.h"

class QWidget;

struct ExtractionRequest {
  std::uint16_t driveLetter = 0;
  std::int32_t track = 1;  // the first track of the session extracted
  // The files chosen ('/' before each name); empty for the whole tree.
  std::vector<std::u16string> files;
  SectorReading reading{};  // the scan's
};

// How the folder dialog is run; tests put their own in place. The same
// runner as a save dialog's: the chosen path, or empty when cancelled.
using FolderDialogRunner = SaveDialogRunner;

// Runs an extraction over parent, as the header says. Nothing happens when
// the user cancels the folder dialog or the question.
void ExtractWithDialogs(QWidget* parent, const ExtractionRequest& request,
                        const FolderDialogRunner& chooseFolder);
