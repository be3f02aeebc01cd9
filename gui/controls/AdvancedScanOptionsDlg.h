// The dialog behind the scan page's "Advanced..." button. It offers no
// options: an empty dialog with OK and Cancel, and closing it either way
// changes nothing.
#pragma once

#include "gui/platform/Dialog.h"

class AdvancedScanOptionsDlg : public Dialog {
  Q_OBJECT

 public:
  explicit AdvancedScanOptionsDlg(QWidget* parent = nullptr);

 protected:
  bool OnInitDialog() override;
};
