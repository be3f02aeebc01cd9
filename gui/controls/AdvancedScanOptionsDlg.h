// The dialog behind the scan page's "Advanced..." button, "Advanced Scan
// Options": the session scanned (the last, another, or the whole disc), how
// the surface scan reads (sectors per read, attempts per sector, sectors
// skipped after an error, the range of sectors, the drive's read speed) and
// whether it only retries what the last scan of the medium did not find Good.
// OK keeps the choices; Cancel and Escape leave them as they were; "Defaults"
// puts every control back to the plain scan's value.
#pragma once

#include <wrenlo/wrenlo.h>

#include <map>
#include <vector>

#include "core/scan/ScanExtent.h"
#include "core/scan/ScanOptions.h"
#include "gui/platform/Dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class AdvancedScanOptionsDlg : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kSectorsPerReadLabelId = 1050;
  static constexpr int kSectorsPerReadListId = 1051;
  static constexpr int kAttemptsLabelId = 1052;
  static constexpr int kAttemptsListId = 1053;
  static constexpr int kSkipLabelId = 1054;
  static constexpr int kSkipEditId = 1055;
  static constexpr int kFirstLabelId = 1056;
  static constexpr int kFirstEditId = 1057;
  static constexpr int kLastLabelId = 1058;
  static constexpr int kLastEditId = 1059;
  static constexpr int kSpeedLabelId = 1060;
  static constexpr int kSpeedListId = 1061;
  static constexpr int kRetryId = 1062;
  static constexpr int kDefaultsId = 1063;
  static constexpr int kSessionLabelId = 1064;
  static constexpr int kSessionListId = 1065;

  // speeds: the read speeds the drive offers, in multiples of the medium's
  // base speed, besides "Maximum"; sessions: the medium's, offered besides
  // the last one.
  AdvancedScanOptionsDlg(const ScanOptions& options, std::vector<int> speeds,
                         std::map<std::int32_t, wrenlo::SessionInfo> sessions = {},
                         QWidget* parent = nullptr);

  // The options as the dialog ended: the choices after OK, else as given.
  const ScanOptions& Options() const { return options; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnSize() override;

 private:
  void LayoutControls();
  // Sets every control to show values.
  void ShowOptions(const ScanOptions& values);

  ScanOptions options;
  std::vector<int> speeds;
  std::map<std::int32_t, wrenlo::SessionInfo> sessions;
  QComboBox* session = nullptr;
  QComboBox* sectorsPerRead = nullptr;
  QComboBox* attempts = nullptr;
  QLineEdit* skip = nullptr;
  QLineEdit* first = nullptr;
  QLineEdit* last = nullptr;
  QComboBox* speed = nullptr;
  QCheckBox* retry = nullptr;
};
