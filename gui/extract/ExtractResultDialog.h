// "Extract Files" when an extraction has ended: whether it is complete and,
// when not, why (the line that stopped it, a cancel, files read only in
// part, existing files kept); the counts and the list of incomplete files
// with their missing byte ranges and sectors, renamed entries with their new
// names and files not replaced; and where the manifest was written, or why
// it could not be.
#pragma once

#include <QString>

#include "core/extract/ExtractReport.h"
#include "gui/platform/Dialog.h"

class ExtractResultDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kOkId = 1;
  static constexpr int kHeadingId = 1110;
  static constexpr int kDetailsId = 1111;
  static constexpr int kManifestId = 1112;

  // folder: where the files went; manifestError: empty when the manifest was
  // written there.
  ExtractResultDialog(const ExtractReport& report, QString folder, QString manifestError,
                      QWidget* parent);

 protected:
  bool OnInitDialog() override;

 private:
  const ExtractReport& report;
  QString folder;
  QString manifestError;
};
