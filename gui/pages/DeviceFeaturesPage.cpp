#include "gui/pages/DeviceFeaturesPage.h"

#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

const DialogTemplate kTemplate129 = {
    129,
    {317, 183},
    "",
    kChildWindow,
    {
        {DeviceFeaturesPage::kListId,
         ControlKind::ListView,
         "",
         kBorder | kTabStop | kSingleSelection | kNoColumnHeader,
         {0, 0, 315, 128}},
        // The button has no action yet: pressing it does nothing.
        {DeviceFeaturesPage::kFirmwareUpdateId,
         ControlKind::PushButton,
         "Check for Firmware Update",
         kTabStop,
         {5, 154, 104, 16}},
    },
};

}  // namespace

QString DeviceFeaturesPage::GetTitle() const { return QStringLiteral("Device Features"); }

void DeviceFeaturesPage::CreatePage(QWidget* parent) { CreateModeless(kTemplate129, parent); }

bool DeviceFeaturesPage::OnInitDialog() {
  list.SetupGroups(Client(), kListId, DeviceFeaturesGroupTitles());
  return false;
}

// Without a drive there is nothing to ask the engine about.
void DeviceFeaturesPage::UpdateContent() {
  if (context->driveLetter == 0)
    list.ClearRows();
  else
    list.ShowRows(DeviceFeaturesRows(*context));
}

void DeviceFeaturesPage::OnSize() {
  QRect rect = ClientRect();
  if (QWidget* button = Item(Client(), kFirmwareUpdateId)) {
    MoveWindow(button, rect.left(), rect.bottom() + 1 - 23, 155, 23);
    rect.setBottom(rect.bottom() - 30);
  }
  if (Item(Client(), kListId) != nullptr) list.FitToRect(rect);
}
