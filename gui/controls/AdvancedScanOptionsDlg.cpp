#include "gui/controls/AdvancedScanOptionsDlg.h"

#include <QPushButton>

#include "gui/platform/ControlId.h"

namespace {

const DialogTemplate kTemplate143 = {
    143,
    {287, 208},
    "Dialog",
    0,
    {
        {kIdOk, ControlKind::PushButton, "OK", kTabStop, {176, 187, 50, 14}},
        {kIdCancel, ControlKind::PushButton, "Cancel", kTabStop, {230, 187, 50, 14}},
    },
};

}  // namespace

AdvancedScanOptionsDlg::AdvancedScanOptionsDlg(QWidget* parent) : Dialog(&kTemplate143, parent) {}

// OK and Cancel end the dialog as the framework's default handling does.
bool AdvancedScanOptionsDlg::OnInitDialog() {
  auto* ok = Item<QPushButton>(Client(), kIdOk);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &AdvancedScanOptionsDlg::OnOK);
  connect(Item<QPushButton>(Client(), kIdCancel), &QPushButton::clicked, this,
          &AdvancedScanOptionsDlg::OnCancel);
  return true;
}
